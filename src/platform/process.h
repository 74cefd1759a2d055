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

// The arguments after the program name, in the system code page.
std::vector<std::string> CommandLineArguments();
// The full path of the running executable.
std::string ModuleFileName();

}  // namespace setup::platform
