#pragma once
// Conversion between 8-bit text in the system code page and UTF-16.

#include <string>
#include <string_view>

namespace setup::platform {

std::u16string AnsiToWide(std::string_view text);
// Characters the code page cannot hold become "?".
std::string WideToAnsi(std::u16string_view text);
// Lower-cases text by the rules of the system code page and locale.
std::string AnsiLowerCase(std::string_view text);

}  // namespace setup::platform
