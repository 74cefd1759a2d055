#include "platform/win32/system_message.h"

#include <iterator>
#include <string_view>

#include "platform/win32/wide_text.h"

namespace setup::platform::win32 {

std::string SystemMessage(DWORD code, const char* fallback) {
  wchar_t text[512] = {};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      code, 0, text, static_cast<DWORD>(std::size(text)), nullptr);
  std::wstring_view message(text, length);
  while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ')) {
    message.remove_suffix(1);
  }
  return message.empty() ? std::string(fallback) : WideStringToAnsi(message);
}

}  // namespace setup::platform::win32
