#include "package/string_scramble.h"

#include <cstdint>

namespace setup {

namespace {

unsigned DigitValue(char c) { return (c >= '0' && c <= '9') ? static_cast<unsigned>(c - '0') : 0u; }

// Adds (sign +1) or subtracts (sign -1) the key digits, walking the key from its start.
void Shift(std::string_view key, std::span<char> text, int sign) {
  if (key.empty()) return;
  size_t j = 0;
  for (char& c : text) {
    const unsigned code = static_cast<uint8_t>(c);
    const unsigned d = DigitValue(key[j]);
    c = static_cast<char>(static_cast<uint8_t>(sign > 0 ? code + d : code + 256u - d));
    if (++j == key.size()) j = 0;
  }
}

}  // namespace

void EncodeInPlace(std::string_view key, std::span<char> text) { Shift(key, text, +1); }

void DecodeInPlace(std::string_view key, std::span<char> text) { Shift(key, text, -1); }

std::string EncodeString(std::string_view key, std::string_view text) {
  std::string out(text);
  EncodeInPlace(key, out);
  return out;
}

std::string DecodeString(std::string_view key, std::string_view text) {
  std::string out(text);
  DecodeInPlace(key, out);
  return out;
}

}  // namespace setup
