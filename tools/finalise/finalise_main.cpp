// The finaliser. The uninstaller writes it to the temporary folder and starts it with
// one argument, the uninstaller's full path in double quotes, and does not wait for
// it. It waits until the uninstaller has ended, deletes the uninstaller's file and its
// folder when that is empty, then deletes itself. It deletes nothing else.
//
// Exit codes: 0 the uninstaller's file was deleted; 1 it was not (no such file, a
// folder, a relative path, or still in use after the waiting time); 2 not exactly one
// argument (then nothing at all is deleted, the finaliser's own file included).
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "parent_process.h"
#include "platform/win32/system_library.h"
#include "self_removal.h"
#include "uninstaller_removal.h"

namespace {

constexpr int kExitDeleted = 0;
constexpr int kExitNotDeleted = 1;
constexpr int kExitWrongArguments = 2;

constexpr DWORD kWaitForParentMs = 60000;  // for the uninstaller's process to end
constexpr DWORD kDeleteRetryMs = 60000;    // then for its file to become deletable
constexpr DWORD kFolderRetryMs = 5000;     // for its folder, when only in use

// The working folder is inherited from the uninstaller and may be the folder this
// program is to remove; a process keeps its working folder from being removed.
void LeaveWorkingFolder() {
  wchar_t system[MAX_PATH + 1];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH + 1);
  if (length > 0 && length <= MAX_PATH) SetCurrentDirectoryW(system);
}

int RemoveUninstaller(const wchar_t* uninstaller) {
  if (!finalise::IsFullPath(uninstaller) || !finalise::IsExistingFile(uninstaller)) return kExitNotDeleted;
  finalise::WaitForParentToEnd(kWaitForParentMs);
  if (!finalise::DeleteFileBy(uninstaller, GetTickCount64() + kDeleteRetryMs)) return kExitNotDeleted;
  finalise::RemoveFolderIfEmpty(uninstaller, GetTickCount64() + kFolderRetryMs);
  return kExitDeleted;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // It runs from the temporary folder, where other programs write too: no DLL from there.
  setup::platform::win32::LockDllSearchPath();
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr) return kExitWrongArguments;
  if (count != 2) {
    LocalFree(arguments);
    return kExitWrongArguments;
  }
  LeaveWorkingFolder();
  const int result = RemoveUninstaller(arguments[1]);
  LocalFree(arguments);
  finalise::RemoveOwnFile();
  return result;
}
