#include <atomic>
#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/posix/posix_controls.h"

namespace setup::platform {

namespace {
std::atomic<bool> manualClock{false};
std::atomic<uint32_t> manualTicks{0};
}  // namespace

uint32_t TickCount() {
  if (manualClock) return manualTicks;
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SleepMs(uint32_t milliseconds) {
  if (manualClock) {
    manualTicks += milliseconds == 0 ? 1 : milliseconds;
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace posix {
void SetManualClock(bool manual, uint32_t start) {
  manualTicks = start;
  manualClock = manual;
}
}  // namespace posix

}  // namespace setup::platform
