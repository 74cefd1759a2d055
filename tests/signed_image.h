#pragma once
// Signed executables made in a test: the headers of a PE image (nothing else of one),
// and a certificate table appended as a signing tool appends it.

#include <cstddef>
#include <cstdint>

#include "base/byte_io.h"

namespace setup::test {

inline constexpr size_t kPeOffset = 0x40;

// The file offset of the security directory entry in PeHeaders(wide).
inline size_t SecurityEntryOffset(bool wide) { return kPeOffset + 24 + (wide ? 112 : 96) + 4 * 8; }

// DOS header, "PE\0\0", COFF header and an optional header (PE32, or PE32+ when wide)
// with 16 empty data directories.
inline Bytes PeHeaders(bool wide = false) {
  const size_t optional = kPeOffset + 24, optionalSize = wide ? 240 : 224;
  Bytes b(optional + optionalSize, 0);
  b[0] = 'M';
  b[1] = 'Z';
  PutU32(&b[0x3C], kPeOffset);
  b[kPeOffset] = 'P';
  b[kPeOffset + 1] = 'E';
  PutU16(&b[kPeOffset + 4 + 16], static_cast<uint16_t>(optionalSize));
  PutU16(&b[optional], wide ? 0x20B : 0x10B);
  PutU32(&b[optional + (wide ? 108 : 92)], 16);
  return b;
}

// Zero padding, then a certificate table of tableSize bytes that ends the file, with the
// security directory pointing at it.
inline void AppendSignature(Bytes& file, bool wide, size_t padding, uint32_t tableSize = 600) {
  file.insert(file.end(), padding, 0);
  PutU32(&file[SecurityEntryOffset(wide)], static_cast<uint32_t>(file.size()));
  PutU32(&file[SecurityEntryOffset(wide) + 4], tableSize);
  for (uint32_t i = 0; i < tableSize; ++i) file.push_back(static_cast<uint8_t>(0x30 + i % 7));
}

}  // namespace setup::test
