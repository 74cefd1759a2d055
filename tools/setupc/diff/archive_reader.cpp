// The archive readers of setupc diff: a KZP package through ReadKzpLayout, a VFS
// archive through TVFSFile (opened for reading only). Each keeps its file open and
// reads one entry when asked; nothing damaged ends in a crash or an exception.

#include "setupc/diff/archive_reader.h"

#include <algorithm>
#include <exception>
#include <unordered_map>

#include "base/zlib_codec.h"
#include "package/kzp_sound.h"
#include "platform/files.h"
#include "setupc/local_files.h"
#include "vfs/vfs_content.h"
#include "vfs/vfs_file.h"
#include "vfs/vfs_format.h"

namespace setup::setupc {

namespace {

class KzpFileReader final : public KzpReader {
 public:
  bool Open(const std::filesystem::path& path, std::string& reason) {
    if (!file_.Open(NativeString(path), platform::OpenMode::ReadShared)) {
      reason = "cannot be opened";
      return false;
    }
    try {
      return ReadKzpLayout(file_, layout_, reason);
    } catch (const std::exception& e) {
      reason = e.what();
      return false;
    }
  }

  const TKzpLayout& Layout() const override { return layout_; }

  std::optional<Bytes> ReadBlock(const TKzpRecord& record) override {
    if (uint64_t{record.Offset} + record.StoredLength > layout_.TableStart) return std::nullopt;
    try {
      Bytes block(record.StoredLength);
      if (!block.empty() && !file_.ReadAt(record.Offset, block.data(), block.size())) return std::nullopt;
      return block;
    } catch (const std::bad_alloc&) {
      return std::nullopt;
    }
  }

  std::optional<Bytes> ReadContent(const TKzpRecord& record, std::string& reason) override {
    std::optional<Bytes> block = ReadBlock(record);
    if (!block) {
      reason = "its block cannot be read";
      return std::nullopt;
    }
    if (record.Kind != kKzpKindData) {
      if (record.Kind == kKzpKindSound &&
          (block->size() < kSoundHeaderSize || GetU32(&(*block)[54]) != block->size() - kSoundHeaderSize)) {
        reason = "its sound header does not match its block's length";
        return std::nullopt;
      }
      return block;
    }
    ToggleBlockCrc(*block);
    try {
      InflateResult result = Inflate(*block, record.Size);
      if (result.inflatedLength != record.Size) {
        reason = "it inflates to " + std::to_string(result.inflatedLength) + " bytes, not " +
                 std::to_string(record.Size);
        return std::nullopt;
      }
      return std::move(result.content);
    } catch (const std::exception&) {
      reason = "its block is not a valid zlib stream";
      return std::nullopt;
    }
  }

 private:
  platform::File file_;
  TKzpLayout layout_;
};

class VfsFileReader final : public VfsReader {
 public:
  bool Open(const std::filesystem::path& path, std::string& reason) {
    try {
      if (!archive_.Open(NativeString(path), /*fullTree=*/true, {}, /*writable=*/false)) {
        reason = archive_.Damage().empty() ? "not a VFS archive" : archive_.Damage();
        return false;
      }
    } catch (const std::exception& e) {
      reason = e.what();
      return false;
    }
    // The blocks are read through a handle of our own, a run of consecutive blocks at
    // a time (the engine reads block by block).
    if (!file_.Open(NativeString(path), platform::OpenMode::ReadShared)) {
      reason = "cannot be opened";
      return false;
    }
    const auto& entries = archive_.Tree().Entries();
    std::vector<std::pair<std::string, VfsFileInfo>> keyed;
    for (size_t i = 0; i < entries.size(); ++i) {
      const TVFSTreeEntry& entry = entries[i];
      if (entry.Index < 0 || entry.Node == nullptr || !entry.Node->IsFile()) continue;
      const TVFSNode& node = *entry.Node;
      std::string key = VfsFoldCase(entry.Path);
      byName_.emplace(key, i);
      keyed.push_back(
          {std::move(key),
           {entry.Path, (node.Flags & kVfsFlagCompressed) != 0 ? node.UnpackedSize : node.StoredSize}});
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first < b.first : a.second.Name < b.second.Name;
    });
    files_.reserve(keyed.size());
    for (auto& item : keyed) files_.push_back(std::move(item.second));
    return true;
  }

  const std::vector<VfsFileInfo>& Files() const override { return files_; }

  std::optional<Bytes> ReadFile(const std::string& name, std::string& reason) override {
    const auto found = byName_.find(VfsFoldCase(name));
    if (found == byName_.end()) {
      reason = "no such file in the archive";
      return std::nullopt;
    }
    const TVFSNode& node = *archive_.Tree().Entries()[found->second].Node;
    try {
      const std::optional<Bytes> stored = ReadChain(node);
      if (!stored) {
        reason = "its blocks cannot be read";
        return std::nullopt;
      }
      if (stored->empty()) return Bytes();
      return UnpackContent(*stored, node, reason);
    } catch (const std::exception& e) {
      reason = e.what();
      return std::nullopt;
    }
  }

  std::optional<Bytes> ReadStored(const std::string& name) override {
    const auto found = byName_.find(VfsFoldCase(name));
    if (found == byName_.end()) return std::nullopt;
    const TVFSNode& node = *archive_.Tree().Entries()[found->second].Node;
    std::optional<Bytes> stored = ReadChain(node);
    if (stored) stored->insert(stored->begin(), (node.Flags & kVfsFlagCompressed) != 0 ? 1 : 0);
    return stored;
  }

 private:
  // StoredSize bytes along the node's chain (which Open checked: inside the table, no
  // loop); nullopt when the file ends early.
  std::optional<Bytes> ReadChain(const TVFSNode& node) {
    const TVFSHeader& h = archive_.Header();
    const std::vector<TVFSBlockEntry>& blocks = archive_.Blocks();
    Bytes stored(node.StoredSize);
    uint64_t done = 0;
    uint32_t block = node.FirstBlock;
    for (uint32_t steps = 0; done < stored.size() && steps < h.BlockCount;) {
      if (block == 0 || block > h.BlockCount) return std::nullopt;
      const uint32_t runStart = block;
      uint64_t run = 0;
      for (uint32_t current = block;;) {
        run += std::min<uint64_t>(h.BlockSize, stored.size() - done - run);
        ++steps;
        const uint32_t next = blocks[current - 1].Next;
        block = next;
        if (done + run >= stored.size() || steps >= h.BlockCount || next == 0 || next > h.BlockCount ||
            next != current + 1) {
          break;
        }
        current = next;
      }
      if (!file_.ReadAt(h.BlockOffset(runStart), stored.data() + done, static_cast<size_t>(run)))
        return std::nullopt;
      done += run;
    }
    if (done < stored.size()) return std::nullopt;
    return stored;
  }

  TVFSFile archive_;
  platform::File file_;
  std::vector<VfsFileInfo> files_;
  std::unordered_map<std::string, size_t> byName_;  // lower-cased path -> tree entry
};

}  // namespace

bool LooksLikeKzp(const std::filesystem::path& file) {
  std::string reason;
  return KzpReader::Open(file, reason) != nullptr;
}

bool LooksLikeVfs(const std::filesystem::path& file) {
  platform::File input;
  if (!input.Open(NativeString(file), platform::OpenMode::ReadShared)) return false;
  const uint64_t size = input.Size();
  uint8_t fixed[kVfsFixedHeaderSize];
  if (size < kVfsFixedHeaderSize || !input.ReadAt(0, fixed, sizeof fixed)) return false;
  TVFSHeader h;
  h.BlockSize = GetU32(fixed + 4);
  h.BlockCount = GetU32(fixed + 8);
  h.RootCount = GetU32(fixed + 12);
  h.DescriptionSize = GetU32(fixed + 44);
  // No magic: the numbers must describe a file of this length, and the root slots'
  // padding after the names must be zero.
  if (h.DescriptionSize < kVfsMinDescriptionSize || h.RootCount == 0 || h.RootCount > kVfsMaxRootCount ||
      h.BlockSize == 0 || h.BlockCount == 0 || h.DataEnd() > size) {
    return false;
  }
  Bytes roots(kVfsRecordSize * size_t{h.RootCount});
  if (!input.ReadAt(h.RootTableOffset(), roots.data(), roots.size())) return false;
  for (size_t slot = 0; slot < h.RootCount; ++slot) {
    const uint8_t* record = &roots[kVfsRecordSize * slot];
    if (record[65] != 0 || record[66] != 0 || record[67] != 0) return false;
  }
  return true;
}

std::unique_ptr<KzpReader> KzpReader::Open(const std::filesystem::path& file, std::string& reason) {
  auto reader = std::make_unique<KzpFileReader>();
  if (!reader->Open(file, reason)) return nullptr;
  return reader;
}

std::unique_ptr<VfsReader> VfsReader::Open(const std::filesystem::path& file, std::string& reason) {
  if (!LooksLikeVfs(file)) {
    reason = "no VFS header";
    return nullptr;
  }
  auto reader = std::make_unique<VfsFileReader>();
  if (!reader->Open(file, reason)) return nullptr;
  return reader;
}

}  // namespace setup::setupc
