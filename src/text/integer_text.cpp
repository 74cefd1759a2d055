#include "text/integer_text.h"

#include <string>

#include "base/errors.h"
#include "platform/codepage.h"

namespace setup {

namespace {

int HexDigit(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

template <typename Char>
std::optional<int32_t> Parse(std::basic_string_view<Char> text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == Char('+') || text[i] == Char('-'))) {
    negative = text[i] == Char('-');
    ++i;
  }
  const bool hex = i < text.size() && text[i] == Char('$');
  if (hex) ++i;
  if (i == text.size()) return std::nullopt;

  const uint64_t base = hex ? 16 : 10;
  // Hexadecimal may use all 32 bits; decimal stays within the signed range.
  const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = HexDigit(static_cast<char32_t>(text[i]));
    if (digit < 0 || static_cast<uint64_t>(digit) >= base) return std::nullopt;
    value = value * base + static_cast<uint64_t>(digit);
    if (value > limit) return std::nullopt;
  }
  uint32_t bits = static_cast<uint32_t>(value);
  if (negative) bits = 0u - bits;
  return static_cast<int32_t>(bits);
}

[[noreturn]] void RaiseNotAnInteger(const std::string& text) {
  throw SetupError("'" + text + "' is not a valid integer value");
}

}  // namespace

std::optional<int32_t> TryTextToInt(std::string_view text) { return Parse(text); }
std::optional<int32_t> TryTextToInt(std::u16string_view text) { return Parse(text); }

int32_t TextToInt(std::string_view text) {
  if (auto value = Parse(text)) return *value;
  RaiseNotAnInteger(std::string(text));
}

int32_t TextToInt(std::u16string_view text) {
  if (auto value = Parse(text)) return *value;
  RaiseNotAnInteger(platform::WideToAnsi(text));
}

}  // namespace setup
