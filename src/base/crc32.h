#pragma once
// The standard CRC-32 (IEEE 802.3: reflected, initial value FFFFFFFF, final complement).

#include <cstdint>

#include "base/byte_io.h"

namespace setup {

// CRC-32 of data; pass the previous result as `crc` to continue over further blocks.
uint32_t Crc32(ByteView data, uint32_t crc = 0);

}  // namespace setup
