#include <atomic>
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

// Exit and termination are the same here: _Exit runs no clean-up either way.
void SystemTerminateProcess(uint32_t code) { std::_Exit(static_cast<int>(code)); }

// Priorities are remembered, not applied: the process keeps its scheduling.
namespace {
std::atomic<uint32_t> priorityClass{kNormalPriorityClass};
thread_local int threadPriority = kThreadPriorityNormal;
}  // namespace

uint32_t ProcessPriorityClass() { return priorityClass; }

bool SetProcessPriorityClass(uint32_t value) {
  priorityClass = value;
  return true;
}

int ThreadPriority() { return threadPriority; }

bool SetThreadPriority(int priority) {
  threadPriority = priority;
  return true;
}

std::vector<std::string> CommandLineArguments() {
  std::lock_guard<std::mutex> lock(commandMutex);
  return Arguments();
}

std::string SystemModuleFileName() {
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
