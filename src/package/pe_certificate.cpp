#include "package/pe_certificate.h"

namespace setup {

namespace {

constexpr size_t kNewHeaderPointer = 0x3C;  // e_lfanew in the DOS header
constexpr size_t kCoffHeaderSize = 20;
constexpr size_t kOptionalHeaderSizeField = 16;  // within the COFF header
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kSecurityDirectory = 4;
constexpr size_t kDirectoryEntrySize = 8;
// A DOS stub longer than this is not one any linker writes; refusing it keeps the read
// of the headers small.
constexpr uint32_t kMaxNewHeaderOffset = 64 * 1024;
// The PE signature, the COFF header and the optional header up to the security entry of
// a PE32+ image (the longer of the two forms).
constexpr size_t kHeadersNeeded = 4 + kCoffHeaderSize + 112 + (kSecurityDirectory + 1) * kDirectoryEntrySize;

// The security entry's offset within headers (which begin with the "PE\0\0" signature).
std::optional<size_t> SecurityEntryInHeaders(ByteView headers) {
  if (headers.size() < 4 + kCoffHeaderSize + 2) return std::nullopt;
  if (headers[0] != 'P' || headers[1] != 'E' || headers[2] != 0 || headers[3] != 0) return std::nullopt;
  const size_t optional = 4 + kCoffHeaderSize;
  const uint16_t optionalSize = GetU16(headers.data() + 4 + kOptionalHeaderSizeField);
  const uint16_t magic = GetU16(headers.data() + optional);
  size_t countField, directories;
  if (magic == kPe32Magic) {
    countField = 92;
    directories = 96;
  } else if (magic == kPe32PlusMagic) {
    countField = 108;
    directories = 112;
  } else {
    return std::nullopt;
  }
  const size_t entry = directories + kSecurityDirectory * kDirectoryEntrySize;
  if (optionalSize < entry + kDirectoryEntrySize || headers.size() < optional + entry + kDirectoryEntrySize) {
    return std::nullopt;
  }
  if (GetU32(headers.data() + optional + countField) <= kSecurityDirectory) return std::nullopt;
  return optional + entry;
}

}  // namespace

std::optional<size_t> SecurityDirectoryEntryOffset(ByteView image) {
  if (image.size() < kNewHeaderPointer + 4 || image[0] != 'M' || image[1] != 'Z') return std::nullopt;
  const uint32_t peOffset = GetU32(image.data() + kNewHeaderPointer);
  if (peOffset > kMaxNewHeaderOffset || peOffset >= image.size()) return std::nullopt;
  const std::optional<size_t> entry = SecurityEntryInHeaders(image.subspan(peOffset));
  if (!entry) return std::nullopt;
  return peOffset + *entry;
}

std::optional<PeCertificateTable> FindCertificateTable(const platform::File& file, uint64_t fileSize) {
  uint8_t dos[kNewHeaderPointer + 4];
  if (fileSize < sizeof dos || !file.ReadAtShared(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') {
    return std::nullopt;
  }
  const uint32_t peOffset = GetU32(dos + kNewHeaderPointer);
  if (peOffset > kMaxNewHeaderOffset || peOffset >= fileSize) return std::nullopt;
  Bytes headers(static_cast<size_t>(std::min<uint64_t>(kHeadersNeeded, fileSize - peOffset)));
  if (!file.ReadAtShared(peOffset, headers.data(), headers.size())) return std::nullopt;
  const std::optional<size_t> entry = SecurityEntryInHeaders(headers);
  if (!entry) return std::nullopt;
  PeCertificateTable table;
  table.Offset = GetU32(headers.data() + *entry);
  table.Size = GetU32(headers.data() + *entry + 4);
  // Only a table that ends the file can stand between the package and the file's end.
  if (table.Size == 0 || table.Offset == 0 || table.Offset > fileSize || table.Size != fileSize - table.Offset) {
    return std::nullopt;
  }
  return table;
}

}  // namespace setup
