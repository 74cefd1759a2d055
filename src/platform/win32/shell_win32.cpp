// Special folders through the shell.
#include <windows.h>
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

std::string SpecialFolderPath(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return win32::WideStringToAnsi(path);
}

}  // namespace setup::platform
