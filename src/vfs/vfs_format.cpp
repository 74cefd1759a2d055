#include "vfs/vfs_format.h"

#include <algorithm>

namespace setup {

Bytes TVFSHeader::FrontBytes() const {
  ByteWriter out;
  for (uint32_t value : {Ident, BlockSize, BlockCount, RootCount, Reserved1, Reserved2, Reserved3}) {
    out.U32(value);
  }
  out.Raw(ByteView(Digest));
  return out.take();
}

Bytes TVFSHeader::DescriptionBytes() const {
  ByteWriter out;
  out.U32(DescriptionSize);
  Bytes description = Description;
  description.resize(kVfsMinDescriptionSize);
  out.Raw(description);
  Bytes extra = Extra;
  extra.resize(DescriptionSize - kVfsMinDescriptionSize);
  out.Raw(extra);
  out.U32(UsedBlocks);
  return out.take();
}

std::array<uint8_t, kVfsRecordSize> EncodeRecord(const TVFSNode& node) {
  std::array<uint8_t, kVfsRecordSize> record{};
  std::copy_n(node.Name.begin(), std::min(node.Name.size(), kVfsNameSize), record.begin());
  PutU32(&record[68], node.Flags);
  PutU32(&record[72], node.Time);
  PutU32(&record[76], node.FirstBlock);
  PutU32(&record[80], node.StoredSize);
  PutU32(&record[84], node.UnpackedSize);
  return record;
}

TVFSNode DecodeRecord(const uint8_t* record) {
  TVFSNode node;
  const uint8_t* end = std::find(record, record + kVfsNameSize, uint8_t{0});
  node.Name.assign(record, end);
  node.Flags = GetU32(record + 68);
  node.Time = GetU32(record + 72);
  node.FirstBlock = GetU32(record + 76);
  node.StoredSize = GetU32(record + 80);
  node.UnpackedSize = GetU32(record + 84);
  return node;
}

uint32_t PathHash(std::string_view key) {
  uint32_t h = 0;
  for (unsigned char b : key) h = b + (h << 6) + (h << 16) - h;
  return h;
}

std::string HashKeyOf(std::string_view path) {
  std::string key(path);
  const size_t slash = key.rfind('\\');
  if (slash != std::string::npos) key[slash] = '/';
  return key;
}

std::string VfsFoldCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

uint64_t BlocksFor(uint64_t size, uint32_t blockSize) {
  if (size == 0 || blockSize == 0) return 1;
  return (size + blockSize - 1) / blockSize;
}

}  // namespace setup
