#pragma once
// DLLs from the system folder only. A setup is usually started from a downloads
// folder, where a web page can drop a file named like a system DLL; Windows would load
// that file for any DLL loaded by file name, because the program's own folder (and the
// working folder) come before the system folder in its search. The entry points lock
// the search at their first line; every DLL the program loads at run time then comes
// through LoadSystemLibrary. The import table names only DLLs that Windows always maps
// from the system folder (docs/install-run.md lists them).

#include <windows.h>

namespace setup::platform::win32 {

// Takes the working folder out of the DLL search and restricts the default search to
// the system folder, for this program's loads and for the DLLs that system DLLs load
// by name later (themes, rich edit helpers, cryptographic providers). On a system
// without SetDefaultDllDirectories (Windows 7 before its loader update) only the
// working folder is taken out; LoadSystemLibrary still loads from the system folder.
void LockDllSearchPath();

// Loads the DLL of that file name ("msftedit.dll") from the system folder and nowhere
// else; a side-by-side redirection of the program's manifest (comctl32's version 6)
// still applies. nullptr when it is not there. The caller keeps the module for the
// life of the process or frees it with FreeLibrary.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// A function of a loaded module as a typed pointer; nullptr when the module is absent
// or lacks it.
template <typename Function>
Function SystemFunction(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  // Through the "any function" type, which converts to every function pointer type.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace setup::platform::win32
