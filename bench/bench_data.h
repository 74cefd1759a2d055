#pragma once
// The mixed payload every benchmark measures: text that deflates well, random bytes
// that do not deflate, and sparse data, chosen by kind (0, 1, other), the same for
// a given seed on every run.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

inline std::vector<uint8_t> MakeContent(size_t size, int kind, uint32_t seed) {
  std::vector<uint8_t> out(size);
  uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    switch (kind) {
      case 0:
        out[i] = static_cast<uint8_t>("the setup copies files\r\n"[(x >> 20) % 24]);
        break;
      case 1:
        out[i] = static_cast<uint8_t>(x >> 32);
        break;
      default:
        out[i] = (i % 4096 < 64) ? static_cast<uint8_t>(x) : 0;
        break;
    }
  }
  return out;
}

}  // namespace bench
