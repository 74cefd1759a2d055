#pragma once
// The on-disk pieces of a VFS archive: the header, the block table, the 88-byte entry
// records, and the key hash of the ".ht" index. docs/vfs-archive.md describes the form.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_io.h"
#include "base/errors.h"

namespace setup {

inline constexpr uint32_t kVfsFlagFile = 1;
inline constexpr uint32_t kVfsFlagFolder = 2;
inline constexpr uint32_t kVfsFlagCompressed = 8;
inline constexpr uint32_t kVfsLastBlock = 0xFFFFFFFFu;  // Next of a chain's last block
inline constexpr size_t kVfsRecordSize = 88;
inline constexpr size_t kVfsNameSize = 65;
inline constexpr uint32_t kVfsMinDescriptionSize = 256;
inline constexpr uint32_t kVfsMaxRootCount = 256;
inline constexpr uint64_t kVfsDigestStart = 44;
inline constexpr size_t kVfsFixedHeaderSize = 48;  // Ident .. DescriptionSize
inline constexpr size_t kVfsCompressChunk = 50000;
inline constexpr size_t kVfsDigestPiece = 262144;
inline constexpr size_t kVfsHashRecordSize = 21;

// An entry record without its padding.
struct TVFSNode {
  std::string Name;  // at most 65 characters
  uint32_t Flags = 0;
  uint32_t Time = 0;  // MS-DOS date and time
  uint32_t FirstBlock = 0;
  uint32_t StoredSize = 0;
  uint32_t UnpackedSize = 0;

  bool IsFile() const { return (Flags & kVfsFlagFile) != 0; }
  bool IsFolder() const { return (Flags & kVfsFlagFolder) != 0; }
};

struct TVFSHeader {
  uint32_t Ident = 0;
  uint32_t BlockSize = 0;
  uint32_t BlockCount = 0;
  uint32_t RootCount = 0;
  uint32_t Reserved1 = 0;
  uint32_t Reserved2 = 0;
  uint32_t Reserved3 = 0;
  std::array<uint8_t, 16> Digest{};
  uint32_t DescriptionSize = kVfsMinDescriptionSize;  // N
  Bytes Description = Bytes(kVfsMinDescriptionSize);  // 256 bytes
  Bytes Extra;                                        // N - 256 bytes
  uint32_t UsedBlocks = 0;

  // Where the tables and the data start.
  uint64_t BlockTableOffset() const { return 52 + uint64_t{DescriptionSize}; }
  uint64_t RootTableOffset() const { return BlockTableOffset() + 8 * uint64_t{BlockCount}; }
  uint64_t DataStart() const { return RootTableOffset() + kVfsRecordSize * uint64_t{RootCount}; }
  uint64_t DataEnd() const { return DataStart() + uint64_t{BlockSize} * BlockCount; }
  uint64_t BlockOffset(uint32_t block) const { return DataStart() + uint64_t{block - 1} * BlockSize; }

  // The 44 bytes at offset 0 (Ident .. Digest) and the bytes from offset 44 up to the
  // block table (N, Description, Extra, UsedBlocks).
  Bytes FrontBytes() const;
  Bytes DescriptionBytes() const;
};

struct TVFSBlockEntry {
  uint32_t Used = 0;
  uint32_t Next = 0;  // 0: free
};

// The 88-byte record of a node: the name cut to 65 characters and zero-padded, three
// zero bytes, then the five numbers.
std::array<uint8_t, kVfsRecordSize> EncodeRecord(const TVFSNode& node);
// The node of a record: the name ends at the first zero byte (or after 65 characters).
TVFSNode DecodeRecord(const uint8_t* record);

// The sdbm hash of an index key ("x\y/b.txt", or "b.txt" at the top level).
uint32_t PathHash(std::string_view key);
// The index key of a tree path: the folder part, "/", the name.
std::string HashKeyOf(std::string_view path);

// ASCII letters folded to lower case; other bytes as they are.
std::string VfsFoldCase(std::string_view text);

// The number of blocks a content of size bytes takes (an empty content takes one).
uint64_t BlocksFor(uint64_t size, uint32_t blockSize);

// Every failure of an archive operation: an archive found damaged, no free block or
// root slot left, a write that failed, a digest that could not be computed ("MD5
// Error"), a content that could not be compressed, an internal inconsistency of the
// write path. The run reports it in a "VFS Error" box, rolls the archive back and
// fails; nothing in the archive code raises any other error, so no archive failure
// can end the process.
class VfsError : public SetupError {
 public:
  explicit VfsError(const std::string& message) : SetupError(message) {}
};

}  // namespace setup
