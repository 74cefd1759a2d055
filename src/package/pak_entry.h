#pragma once
// The records of a package: the 16-byte trailer and one table record per entry.

#include <array>
#include <cstdint>
#include <string>

#include "base/byte_io.h"

namespace setup {

// Entries this large or larger are stored uncompressed, never verified and streamed
// in chunks instead of being held whole in memory.
inline constexpr uint32_t kLargeEntrySize = 73400320;  // 70 MiB
inline constexpr uint32_t kStreamChunkSize = 25 * 1024 * 1024;
inline constexpr size_t kTrailerSize = 16;
inline constexpr uint16_t kPakVersion = 1;
inline constexpr std::array<char, 4> kPakMagic = {'K', 'Z', 'P', 'F'};

struct TPakTrailer {
  std::array<char, 4> Magic{};
  uint16_t Version = 0;
  uint16_t Count = 0;
  uint32_t DataStart = 0;
  uint32_t TableOffset = 0;

  bool HasMagic() const { return Magic == kPakMagic; }
  std::string MagicText() const { return std::string(Magic.begin(), Magic.end()); }
};

struct TPakEntry {
  std::string Name;
  std::string SourceFile;  // only while writing
  uint32_t Crc = 0;
  uint32_t Offset = 0;
  uint32_t StoredSize = 0;  // 0: stored uncompressed
  uint32_t Size = 0;
  uint16_t Group = 0;

  bool IsEmpty() const { return Size == 0; }
  bool IsLarge() const { return Size >= kLargeEntrySize; }
  // Bytes the entry occupies in the data region.
  uint32_t StoredLength() const { return StoredSize != 0 ? StoredSize : Size; }
};

// 16 bytes, in file order.
Bytes EncodeTrailer(const TPakTrailer& trailer);
TPakTrailer DecodeTrailer(const uint8_t* sixteenBytes);

// One table record: name length, name, CRC, offset, stored size, size, group.
// Throws SetupError when the name is longer than 65,535 bytes.
void EncodeRecord(ByteWriter& out, const TPakEntry& entry);
// Reads one record; false when the bytes end before the record does.
bool DecodeRecord(ByteReader& in, TPakEntry& entry);

}  // namespace setup
