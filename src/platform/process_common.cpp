#include "platform/process.h"

#include <mutex>
#include <string>
#include <utility>

namespace setup::platform {

namespace {
std::mutex handlerMutex;
ExitHandler& CurrentHandler() {
  static ExitHandler handler;
  return handler;
}
void RunExitHandler(uint32_t code) {
  ExitHandler handler;
  {
    std::lock_guard<std::mutex> lock(handlerMutex);
    handler = CurrentHandler();
  }
  if (handler) handler(code);
}
}  // namespace

void ExitProcess(uint32_t code) {
  RunExitHandler(code);
  SystemExitProcess(code);
}

void TerminateProcess(uint32_t code) {
  RunExitHandler(code);
  SystemTerminateProcess(code);
}

namespace {
std::mutex moduleMutex;
std::string& ModuleOverride() {
  static std::string path;
  return path;
}
}  // namespace

std::string ModuleFileName() {
  {
    std::lock_guard<std::mutex> lock(moduleMutex);
    if (!ModuleOverride().empty()) return ModuleOverride();
  }
  return SystemModuleFileName();
}

void SetModuleFileNameOverride(const std::string& path) {
  std::lock_guard<std::mutex> lock(moduleMutex);
  ModuleOverride() = path;
}

ExitHandler SetExitHandler(ExitHandler handler) {
  std::lock_guard<std::mutex> lock(handlerMutex);
  return std::exchange(CurrentHandler(), std::move(handler));
}

}  // namespace setup::platform
