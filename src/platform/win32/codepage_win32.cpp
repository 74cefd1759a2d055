// The system code page is the ANSI code page (CP_ACP) of the running Windows.
#include <windows.h>

#include <climits>

#include "platform/codepage.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

namespace {

// The API counts characters in int; texts we convert are far below that, but a longer
// one must not wrap into a negative length.
int ApiLength(size_t length) { return length > INT_MAX ? INT_MAX : static_cast<int>(length); }

std::wstring ToWideChars(std::string_view text) {
  if (text.empty()) return {};
  const int length = ApiLength(text.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring out(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, out.data(), needed);
  return out;
}

// Characters the code page cannot hold become the code page's default character "?",
// never a look-alike the system would pick ("best fit": a path would then name another
// folder that may exist). A UTF-8 code page (which a system may use as its ANSI code
// page) holds every character and takes no such flag.
std::string FromWideChars(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = ApiLength(text.size());
  const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int needed = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string out(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, flags, text.data(), length, out.data(), needed, nullptr, nullptr);
  return out;
}

}  // namespace

std::u16string AnsiToWide(std::string_view text) { return win32::FromWide(ToWideChars(text)); }

std::string WideToAnsi(std::u16string_view text) { return FromWideChars(win32::ToWide(text)); }

std::string AnsiLowerCase(std::string_view text) {
  std::wstring wide = ToWideChars(text);
  if (!wide.empty()) CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return FromWideChars(wide);
}

}  // namespace setup::platform
