#pragma once
// WAVE files built from their format, for the sound entries of KZP packages.

#include <cstdint>
#include <vector>

#include "test_support.h"

namespace setup::test {

// Little-endian samples as a WAVE file (22,050 Hz), with optional chunks after "data".
inline Bytes Wave(const std::vector<int16_t>& samples, uint16_t channels, uint16_t bits = 16,
                  const Bytes& after = {}) {
  Bytes data;
  for (int16_t s : samples) AppendU16(data, static_cast<uint16_t>(s));
  Bytes w = ToBytes("RIFF");
  AppendU32(w, static_cast<uint32_t>(36 + data.size() + after.size()));
  for (const char* t : {"WAVE", "fmt "}) w.insert(w.end(), t, t + 4);
  AppendU32(w, 16);
  AppendU16(w, 1), AppendU16(w, channels), AppendU32(w, 22050);
  AppendU32(w, 22050u * channels * bits / 8), AppendU16(w, static_cast<uint16_t>(channels * bits / 8)),
      AppendU16(w, bits);
  w.insert(w.end(), {'d', 'a', 't', 'a'});
  AppendU32(w, static_cast<uint32_t>(data.size()));
  w.insert(w.end(), data.begin(), data.end());
  w.insert(w.end(), after.begin(), after.end());
  return w;
}

// A "cue " chunk with one cue point per position (in sample frames).
inline Bytes Cue(const std::vector<uint32_t>& positions) {
  Bytes c = ToBytes("cue ");
  AppendU32(c, static_cast<uint32_t>(4 + 24 * positions.size()));
  AppendU32(c, static_cast<uint32_t>(positions.size()));
  for (uint32_t p : positions) {
    AppendU32(c, 1), AppendU32(c, p);
    for (int i = 0; i < 4; ++i) AppendU32(c, 0);
  }
  return c;
}

}  // namespace setup::test
