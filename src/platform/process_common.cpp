#include "platform/process.h"

#include <atomic>
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
// Set only by tools; the stub never sets it, so it pays one load for it.
std::atomic<const std::string*> moduleOverride{nullptr};
}  // namespace

std::string ModuleFileName() {
  if (const std::string* path = moduleOverride.load()) return *path;
  return SystemModuleFileName();
}

void SetModuleFileNameOverride(const std::string& path) {
  static std::string held;
  moduleOverride = nullptr;
  if (path.empty()) return;
  held = path;
  moduleOverride = &held;
}

ExitHandler SetExitHandler(ExitHandler handler) {
  std::lock_guard<std::mutex> lock(handlerMutex);
  return std::exchange(CurrentHandler(), std::move(handler));
}

}  // namespace setup::platform
