#pragma once
// Integer conversion of text as the language files need it: an optional sign, then
// decimal digits, or "$" and hexadecimal digits (either case); no blanks anywhere.

#include <cstdint>
#include <optional>
#include <string_view>

namespace setup {

// Decimal values must fit a signed 32-bit integer; hexadecimal ones may use all 32 bits
// ("$FFFFFFFF" is -1). Empty text, a lone sign or "$", any other character, or an
// overflow gives no value.
std::optional<int32_t> TryTextToInt(std::string_view text);
std::optional<int32_t> TryTextToInt(std::u16string_view text);

// As above, but a text that is no integer raises SetupError
// "'<text>' is not a valid integer value", the text converted to 8-bit.
int32_t TextToInt(std::string_view text);
int32_t TextToInt(std::u16string_view text);

}  // namespace setup
