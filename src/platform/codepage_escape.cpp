#include "platform/codepage_escape.h"

#include <optional>

#include "platform/codepage.h"

namespace setup::platform::codepage {

namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr size_t kMostHexDigits = 6;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendEscape(std::string& out, char32_t codePoint) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  char digits[kMostHexDigits];
  size_t count = 0;
  do {
    digits[count++] = kHex[codePoint & 0xF];
    codePoint >>= 4;
  } while (codePoint != 0);
  out += "?{";
  while (count > 0) out.push_back(digits[--count]);
  out.push_back('}');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;  // a text lower-cased byte by byte
  return -1;
}

// The length of the escape at text[at] (0 when there is none) and its code point.
size_t EscapeAt(std::string_view text, size_t at, char32_t& codePoint) {
  if (text.compare(at, 2, "?{") != 0) return 0;
  codePoint = 0;
  size_t i = at + 2;
  for (; i < text.size() && i - (at + 2) <= kMostHexDigits; ++i) {
    if (text[i] == '}') break;
    const int digit = HexValue(text[i]);
    if (digit < 0) return 0;
    codePoint = codePoint * 16 + static_cast<char32_t>(digit);
  }
  const size_t digits = i - (at + 2);
  if (i >= text.size() || text[i] != '}' || digits == 0 || digits > kMostHexDigits || codePoint > kLastCodePoint) {
    return 0;
  }
  return i + 1 - at;
}

void AppendCodePoint(std::u16string& out, char32_t codePoint) {
  if (codePoint < 0x10000) {
    out.push_back(static_cast<char16_t>(codePoint));  // an unpaired surrogate stays one unit
    return;
  }
  codePoint -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

std::string EncodeEscaped(std::u16string_view text) {
  std::string out;
  if (text.find(u"?{") == std::u16string_view::npos && PlainFromWide(text, out)) return out;
  out.clear();
  for (size_t i = 0; i < text.size();) {
    const size_t length = IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]) ? 2 : 1;
    const std::u16string_view character = text.substr(i, length);
    const bool literalOpening = text[i] == u'?' && i + 1 < text.size() && text[i + 1] == u'{';
    if (literalOpening || !PlainFromWide(character, out)) {
      AppendEscape(out, length == 2 ? 0x10000 + ((char32_t{text[i]} - 0xD800) << 10) + (text[i + 1] - 0xDC00)
                                    : char32_t{text[i]});
    }
    i += length;
  }
  return out;
}

std::u16string DecodeEscaped(std::string_view text) {
  if (text.find("?{") == std::string_view::npos) return PlainToWide(text);
  std::u16string out;
  size_t runStart = 0;
  char32_t codePoint = 0;
  for (size_t at = text.find("?{"); at != std::string_view::npos; at = text.find("?{", at)) {
    const size_t length = EscapeAt(text, at, codePoint);
    if (length == 0) {
      ++at;
      continue;
    }
    out += PlainToWide(text.substr(runStart, at - runStart));
    AppendCodePoint(out, codePoint);
    at += length;
    runStart = at;
  }
  out += PlainToWide(text.substr(runStart));
  return out;
}

}  // namespace

bool HoldsEscape(std::string_view text) {
  char32_t codePoint = 0;
  for (size_t at = text.find("?{"); at != std::string_view::npos; at = text.find("?{", at + 1)) {
    if (EscapeAt(text, at, codePoint) != 0) return true;
  }
  return false;
}

}  // namespace setup::platform::codepage

namespace setup::platform {

std::u16string AnsiToWide(std::string_view text) { return codepage::DecodeEscaped(text); }

std::string WideToAnsi(std::u16string_view text) { return codepage::EncodeEscaped(text); }

std::optional<std::string> WideToCodePage(std::u16string_view text) {
  std::string out;
  // A text that reads as an escape would come back as another character.
  if (!codepage::PlainFromWide(text, out) || codepage::HoldsEscape(out)) return std::nullopt;
  return out;
}

}  // namespace setup::platform
