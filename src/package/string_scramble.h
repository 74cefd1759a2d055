#pragma once
// The digit-key character shift that keeps short texts from standing in plain view:
// the strings of the install log, and the package passwords carried in compiled
// script lines. Each has a key of its own; the text keeps its length.

#include <span>
#include <string>
#include <string_view>

namespace setup {

// True when key is not empty and holds only the decimal digits 0 to 9. Our own keys
// are constants and are checked with it at compile time.
constexpr bool IsDigitKey(std::string_view key) {
  if (key.empty()) return false;
  for (char c : key) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// EncodeString adds to each character code the value of the next key digit, modulo
// 256; DecodeString subtracts it. Every call starts at the key's first digit and wraps
// to it after the last, so DecodeString(key, EncodeString(key, t)) == t for any t.
//
// The routines never fail. A key character that is not a digit shifts its text
// character by 0 (it passes unchanged) and an empty key leaves the whole text as it
// is; a key is meant to hold digits only (IsDigitKey).
std::string EncodeString(std::string_view key, std::string_view text);
std::string DecodeString(std::string_view key, std::string_view text);

// The same two shifts over characters in place, for callers that already hold the
// text in a buffer of their own (the log writer and reader).
void EncodeInPlace(std::string_view key, std::span<char> text);
void DecodeInPlace(std::string_view key, std::span<char> text);

}  // namespace setup
