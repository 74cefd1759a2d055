// The posix build stands in Windows-1252 for the system code page. Characters it lacks
// travel as escapes (codepage_escape.h).
#include <iconv.h>

#include <array>
#include <cerrno>
#include <mutex>
#include <optional>

#include "platform/codepage.h"
#include "platform/codepage_escape.h"

namespace setup::platform {

namespace {

// The 256 characters of Windows-1252 as UTF-16, built once through iconv. The five
// bytes the code page leaves undefined map to the C1 controls, as Windows does.
const std::array<char16_t, 256>& DecodeTable() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> t{};
    iconv_t cd = iconv_open("UTF-16LE", "WINDOWS-1252");
    for (int b = 0; b < 256; ++b) {
      t[static_cast<size_t>(b)] = static_cast<char16_t>(b);
      if (cd == reinterpret_cast<iconv_t>(-1)) continue;
      char in = static_cast<char>(b);
      unsigned char out[4] = {};
      char* inPtr = &in;
      char* outPtr = reinterpret_cast<char*>(out);
      size_t inLeft = 1, outLeft = sizeof out;
      if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && outLeft == 2) {
        t[static_cast<size_t>(b)] = static_cast<char16_t>(out[0] | (out[1] << 8));
      }
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    return t;
  }();
  return table;
}

// The byte for c; nothing when the code page lacks it.
std::optional<char> EncodeChar(char16_t c) {
  if (c < 0x80) return static_cast<char>(c);
  const auto& table = DecodeTable();
  for (size_t b = 0x80; b < 256; ++b) {
    if (table[b] == c) return static_cast<char>(b);
  }
  return std::nullopt;
}

char16_t LowerWide(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  // Latin-1 capitals (except the multiplication sign), and the Windows-1252 extras.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  switch (c) {
    case 0x0160: return 0x0161;  // S caron
    case 0x0152: return 0x0153;  // OE
    case 0x017D: return 0x017E;  // Z caron
    case 0x0178: return 0x00FF;  // Y diaeresis
    default: return c;
  }
}

}  // namespace

namespace codepage {

bool PlainFromWide(std::u16string_view text, std::string& out) {
  const size_t start = out.size();
  for (char16_t c : text) {
    const std::optional<char> b = EncodeChar(c);
    if (!b) {
      out.resize(start);
      return false;
    }
    out.push_back(*b);
  }
  return true;
}

std::u16string PlainToWide(std::string_view text) {
  const auto& table = DecodeTable();
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(table[static_cast<unsigned char>(c)]);
  return out;
}

}  // namespace codepage

std::string AnsiLowerCase(std::string_view text) {
  if (codepage::HoldsEscape(text)) {
    std::u16string wide = AnsiToWide(text);
    for (char16_t& c : wide) c = LowerWide(c);
    return WideToAnsi(wide);
  }
  static const std::array<char, 256> lower = [] {
    std::array<char, 256> t{};
    const auto& table = DecodeTable();
    // A byte whose lower case the code page cannot hold stays as it is.
    for (size_t b = 0; b < 256; ++b) t[b] = EncodeChar(LowerWide(table[b])).value_or(static_cast<char>(b));
    return t;
  }();
  std::string out(text);
  for (char& c : out) c = lower[static_cast<unsigned char>(c)];
  return out;
}

}  // namespace setup::platform
