#include "platform/win32/wide_text.h"

#include "platform/codepage.h"

namespace setup::platform::win32 {

std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string FromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

std::wstring AnsiToWideString(std::string_view text) { return ToWide(AnsiToWide(text)); }

std::string WideStringToAnsi(std::wstring_view text) { return WideToAnsi(FromWide(text)); }

}  // namespace setup::platform::win32
