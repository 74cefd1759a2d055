#include "base/crc32.h"

#include <zlib.h>

#include <algorithm>

namespace setup {

uint32_t Crc32(ByteView data, uint32_t crc) {
  // zlib takes a 32-bit length; feed large spans in slices.
  const uint8_t* p = data.data();
  size_t left = data.size();
  uLong value = crc;
  while (left > 0) {
    const uInt n = static_cast<uInt>(std::min<size_t>(left, 1u << 30));
    value = crc32(value, p, n);
    p += n;
    left -= n;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace setup
