#include "platform/win32/system_library.h"

#include <cwchar>

namespace setup::platform::win32 {

void LockDllSearchPath() {
  // An empty string takes the working folder out of the search.
  SetDllDirectoryW(L"");
  // Looked up rather than imported: a system without it must still start the program.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const auto setDefault = SystemFunction<SetDefaultDllDirectoriesFunction>(GetModuleHandleW(L"kernel32.dll"),
                                                                           "SetDefaultDllDirectories");
  if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  HMODULE module = LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // A system that does not know the search flags: the full path in the system folder,
  // with the DLL's own dependencies searched from there.
  wchar_t path[MAX_PATH];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  const size_t nameLength = std::wcslen(fileName);
  if (length == 0 || length + 1 + nameLength >= MAX_PATH) return nullptr;
  path[length] = L'\\';
  std::wmemcpy(path + length + 1, fileName, nameLength + 1);
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace setup::platform::win32
