#include <windows.h>
#include <shellapi.h>

#include "platform/process.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

void SystemExitProcess(uint32_t code) { ::ExitProcess(code); }

void SystemTerminateProcess(uint32_t code) {
  ::TerminateProcess(GetCurrentProcess(), code);
  // Termination of the own process does not return; should the system refuse it,
  // the ordinary exit still ends the process.
  ::ExitProcess(code);
}

uint32_t ProcessPriorityClass() { return GetPriorityClass(GetCurrentProcess()); }

bool SetProcessPriorityClass(uint32_t priorityClass) {
  return SetPriorityClass(GetCurrentProcess(), priorityClass) != FALSE;
}

int ThreadPriority() { return GetThreadPriority(GetCurrentThread()); }

bool SetThreadPriority(int priority) { return ::SetThreadPriority(GetCurrentThread(), priority) != FALSE; }

std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return arguments;
  // argv[0] is the program itself.
  for (int i = 1; i < count; ++i) arguments.push_back(win32::WideStringToAnsi(argv[i]));
  LocalFree(argv);
  return arguments;
}

std::string SystemModuleFileName() {
  // The buffer grows until the whole path fits (long paths exceed MAX_PATH).
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
    if (length == 0) return {};
    if (length < size) {
      path.resize(length);
      return win32::WideStringToAnsi(path);
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace setup::platform
