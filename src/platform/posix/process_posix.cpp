#include <cstdlib>
#include <mutex>

#include "platform/posix/posix_controls.h"
#include "platform/process.h"

namespace setup::platform {

namespace {
std::mutex commandMutex;
std::vector<std::string>& Arguments() {
  static std::vector<std::string> arguments;
  return arguments;
}
std::string& ModulePath() {
  static std::string path;
  return path;
}
}  // namespace

void SystemExitProcess(uint32_t code) { std::_Exit(static_cast<int>(code)); }

std::vector<std::string> CommandLineArguments() {
  std::lock_guard<std::mutex> lock(commandMutex);
  return Arguments();
}

std::string ModuleFileName() {
  std::lock_guard<std::mutex> lock(commandMutex);
  return ModulePath();
}

namespace posix {
void SetCommandLine(const std::vector<std::string>& arguments, const std::string& moduleFileName) {
  std::lock_guard<std::mutex> lock(commandMutex);
  Arguments() = arguments;
  ModulePath() = moduleFileName;
}
}  // namespace posix

}  // namespace setup::platform
