#pragma once
// Process services: exit, command line, the running program's own path.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace setup::platform {

// Ends the process with the exit code. A test installs a handler that throws, so that
// an exit becomes an exception it can catch; when the handler returns, the process ends.
[[noreturn]] void ExitProcess(uint32_t code);

using ExitHandler = std::function<void(uint32_t)>;
ExitHandler SetExitHandler(ExitHandler handler);

// The system's own exit; implemented once per platform.
[[noreturn]] void SystemExitProcess(uint32_t code);

// Ends the process at once: no clean-up, no finalisation, other threads stopped where
// they stand. The exit handler above sees it as it sees ExitProcess.
[[noreturn]] void TerminateProcess(uint32_t code);
[[noreturn]] void SystemTerminateProcess(uint32_t code);

// Scheduling priorities, with the values Windows gives them. The thread priority is
// that of the calling thread. The setters return false when the system refuses.
inline constexpr uint32_t kNormalPriorityClass = 0x20;
inline constexpr uint32_t kRealtimePriorityClass = 0x100;
inline constexpr int kThreadPriorityNormal = 0;
inline constexpr int kThreadPriorityTimeCritical = 15;
uint32_t ProcessPriorityClass();
bool SetProcessPriorityClass(uint32_t priorityClass);
int ThreadPriority();
bool SetThreadPriority(int priority);

// The arguments after the program name, in the system code page.
std::vector<std::string> CommandLineArguments();
// The full path of the running executable, or the one SetModuleFileNameOverride set.
std::string ModuleFileName();
// The system's answer (the posix build: the one SetCommandLine set).
std::string SystemModuleFileName();
// Tools that run a setup's own code on a setup file (setupc apply): ModuleFileName
// answers path, as if that file were running (the uninstaller is copied from it).
// Empty: the system's answer again.
void SetModuleFileNameOverride(const std::string& path);

}  // namespace setup::platform
