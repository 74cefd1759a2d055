// The environment block of the process, converted string by string.
#include <windows.h>

#include <string_view>

#include "platform/environment.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

std::vector<std::string> EnvironmentStrings() {
  std::vector<std::string> strings;
  wchar_t* block = GetEnvironmentStringsW();
  if (block == nullptr) return strings;
  // NUL-terminated strings one after another; an empty string ends the block.
  for (const wchar_t* at = block; *at != L'\0';) {
    const std::wstring_view text(at);
    strings.push_back(win32::WideStringToAnsi(text));
    at += text.size() + 1;
  }
  FreeEnvironmentStringsW(block);
  return strings;
}

}  // namespace setup::platform
