// The system code page is the ANSI code page (CP_ACP) of the running Windows. Characters
// it lacks travel as escapes (codepage_escape.h).
#include <windows.h>

#include <climits>

#include "platform/codepage.h"
#include "platform/codepage_escape.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

namespace {

// The API counts characters in int; texts we convert are far below that, but a longer
// one must not wrap into a negative length.
int ApiLength(size_t length) { return length > INT_MAX ? INT_MAX : static_cast<int>(length); }

}  // namespace

namespace codepage {

std::u16string PlainToWide(std::string_view text) {
  if (text.empty()) return {};
  const int length = ApiLength(text.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring out(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, out.data(), needed);
  return win32::FromWide(out);
}

// Appends the code page's form of text; false when a character has none. The system's
// "best fit" look-alikes do not count as a form: a path would then name another folder
// that may exist. A UTF-8 code page (which a system may use as its ANSI code page) holds
// every character and takes neither the flag nor the question.
bool PlainFromWide(std::u16string_view text, std::string& out) {
  if (text.empty()) return true;
  const std::wstring wide = win32::ToWide(text);
  const int length = ApiLength(wide.size());
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* askDefault = utf8 ? nullptr : &usedDefault;
  const int needed = WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, nullptr, askDefault);
  if (needed <= 0 || usedDefault) return false;
  const size_t start = out.size();
  out.resize(start + static_cast<size_t>(needed));
  WideCharToMultiByte(CP_ACP, flags, wide.data(), length, out.data() + start, needed, nullptr, nullptr);
  return true;
}

}  // namespace codepage

std::string AnsiLowerCase(std::string_view text) {
  std::wstring wide = win32::ToWide(AnsiToWide(text));
  if (!wide.empty()) CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return WideToAnsi(win32::FromWide(wide));
}

}  // namespace setup::platform
