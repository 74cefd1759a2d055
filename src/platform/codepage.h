#pragma once
// Conversion between 8-bit text in the system code page and UTF-16.

#include <optional>
#include <string>
#include <string_view>

namespace setup::platform {

// Both directions are exact for every text: a character the code page lacks is carried
// in the 8-bit text as an escape, "?{418}" for U+0418 (codepage_escape.h).
std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);
// The code page's own form of text, without escapes; nothing when a character has none
// or when the text reads as an escape (for texts that are stored in the code page and
// read by others).
std::optional<std::string> WideToCodePage(std::u16string_view text);
// Lower-cases text by the rules of the system code page and locale.
std::string AnsiLowerCase(std::string_view text);

}  // namespace setup::platform
