#pragma once
// Text at the Windows API boundary. On Windows wchar_t is 16 bits wide and holds
// UTF-16, the same code units as std::u16string; these helpers change the type only.
// The system code page conversions build on them to hand wide strings to the W
// functions.

#include <string>
#include <string_view>

namespace setup::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows API uses 16-bit wchar_t");

std::wstring ToWide(std::u16string_view text);
std::u16string FromWide(std::wstring_view text);

// Text in the system code page to and from the API's wide strings.
std::wstring AnsiToWideString(std::string_view text);
std::string WideStringToAnsi(std::wstring_view text);

}  // namespace setup::platform::win32
