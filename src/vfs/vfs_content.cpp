#include "vfs/vfs_content.h"

#include "base/zlib_codec.h"

namespace setup {

std::optional<Bytes> UnpackContent(ByteView stored, const TVFSNode& node, std::string& error) {
  if ((node.Flags & kVfsFlagCompressed) == 0) return Bytes(stored.begin(), stored.end());
  Bytes out;
  out.reserve(std::min<size_t>(node.UnpackedSize, stored.size() * size_t{1032}));
  ByteReader reader(stored);
  while (reader.remaining() > 0) {
    uint32_t length = 0;
    ByteView chunk;
    if (!reader.U32(length) || !reader.Raw(length, chunk)) {
      error = "a chunk runs past the content";
      return std::nullopt;
    }
    const uint64_t left = node.UnpackedSize - std::min<uint64_t>(node.UnpackedSize, out.size());
    try {
      InflateResult result = Inflate(chunk, std::min<uint64_t>(kVfsCompressChunk, left));
      if (result.inflatedLength != result.content.size()) {
        error = "a chunk inflates to more than its share";
        return std::nullopt;
      }
      out.insert(out.end(), result.content.begin(), result.content.end());
    } catch (const SetupError& e) {
      error = std::string("a chunk cannot be inflated: ") + e.what();
      return std::nullopt;
    }
  }
  if (out.size() != node.UnpackedSize) {
    error = "the chunks hold " + std::to_string(out.size()) + " bytes, not " + std::to_string(node.UnpackedSize);
    return std::nullopt;
  }
  return out;
}

}  // namespace setup
