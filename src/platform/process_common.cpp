#include "platform/process.h"

#include <mutex>
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

ExitHandler SetExitHandler(ExitHandler handler) {
  std::lock_guard<std::mutex> lock(handlerMutex);
  return std::exchange(CurrentHandler(), std::move(handler));
}

}  // namespace setup::platform
