// Special folders through the shell.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/shell.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

std::string SpecialFolderLocation(int csidl, void* owner) {
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(static_cast<HWND>(owner), csidl, &items)) || items == nullptr) {
    return {};
  }
  wchar_t path[MAX_PATH] = {};
  const BOOL converted = SHGetPathFromIDListW(items, path);
  CoTaskMemFree(items);
  return converted ? win32::WideStringToAnsi(path) : std::string();
}

bool OpenDocumentMaximized(const std::string& path, void* owner) {
  const std::wstring file = win32::AnsiToWideString(path);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // The caller may end the process right after: the shell must have finished starting
  // the program (including any DDE conversation) before this returns.
  info.fMask = SEE_MASK_NOASYNC;
  info.hwnd = static_cast<HWND>(owner);
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWMAXIMIZED;
  return ShellExecuteExW(&info) != FALSE;
}

std::string SpecialFolderPath(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return win32::WideStringToAnsi(path);
}

}  // namespace setup::platform
