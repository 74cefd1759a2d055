#include "deletion_helper.h"

#include <windows.h>

#include "scoped_handle.h"

namespace finalise {

namespace {

constexpr int kCommandSize = 32768;  // the longest command line a process takes

// Text built in a fixed buffer; Append fails instead of overrunning it.
class CommandLine {
 public:
  bool Append(const wchar_t* text) {
    for (; *text != L'\0'; ++text) {
      if (length_ + 1 >= kCommandSize) return false;
      text_[length_++] = *text;
    }
    text_[length_] = L'\0';
    return true;
  }
  wchar_t* Text() { return text_; }

 private:
  wchar_t text_[kCommandSize] = {};
  int length_ = 0;
};

bool Contains(const wchar_t* text, wchar_t c) {
  for (; *text != L'\0'; ++text) {
    if (*text == c) return true;
  }
  return false;
}

HANDLE OpenNul(SECURITY_ATTRIBUTES& inherit) {
  return CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     OPEN_EXISTING, 0, nullptr);
}

}  // namespace

bool StartDeletionHelper(const wchar_t* path) {
  if (Contains(path, L'%')) return false;
  wchar_t system[MAX_PATH + 1];
  const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH + 1);
  if (systemLength == 0 || systemLength > MAX_PATH - 8) return false;
  wchar_t processor[MAX_PATH + 1];
  lstrcpyW(processor, system);
  lstrcatW(processor, L"\\cmd.exe");

  // "set /p" reads the pipe until this process ends and its end of the pipe closes.
  // Then the file is deleted, and tried again after one and after two seconds in
  // case the system has not released the image yet (once it is gone, a further "del"
  // changes nothing). One plain sequence, without blocks or loops, which every
  // command processor reads alike. The working folder is the system folder, where
  // "ping" (the pause) is found first.
  CommandLine command;  // on the stack: a static buffer would be stored in the file
  const wchar_t* const pause = L" & ping -n 2 127.0.0.1 & del /f /q \"";
  const bool built = command.Append(L"\"") && command.Append(processor) &&
                     command.Append(L"\" /d /q /v:off /s /c \"set /p finalise= & del /f /q \"") &&
                     command.Append(path) && command.Append(L"\"") && command.Append(pause) &&
                     command.Append(path) && command.Append(L"\"") && command.Append(pause) &&
                     command.Append(path) && command.Append(L"\"\"");
  if (!built) return false;

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
  ScopedHandle reader(readEnd);
  // The helper must not hold the writing end itself, or the pipe would never end.
  // This process keeps it open, on purpose, until it ends.
  SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
  ScopedHandle nul(OpenNul(inherit));
  if (!nul.Valid()) {
    CloseHandle(writeEnd);
    return false;
  }

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = reader.Get();
  startup.hStdOutput = nul.Get();
  startup.hStdError = nul.Get();
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(processor, command.Text(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, system,
                      &startup, &process)) {
    CloseHandle(writeEnd);
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace finalise
