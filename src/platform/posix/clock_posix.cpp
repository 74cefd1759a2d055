#include <atomic>
#include <ctime>
#include <chrono>
#include <ctime>
#include <thread>

#include "platform/clock.h"
#include "platform/posix/posix_controls.h"

namespace setup::platform {

namespace {
std::atomic<bool> manualClock{false};
std::atomic<uint32_t> manualTicks{0};
std::atomic<uint64_t> cyclesPerMs{2000000};
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

uint64_t TimeStampCounter() {
  if (manualClock) return uint64_t{manualTicks} * cyclesPerMs;
  using namespace std::chrono;
  const auto ns =
      static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
  // Whole milliseconds and the rest apart: differences stay exact even when the
  // product wraps.
  const uint64_t rate = cyclesPerMs;
  return ns / 1000000 * rate + ns % 1000000 * rate / 1000000;
}

uint32_t LocalDosDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr || local.tm_year < 80) return 0;
  const uint32_t date = static_cast<uint32_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  const uint32_t time = static_cast<uint32_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
  return (date << 16) | time;
}

namespace posix {
void SetManualClock(bool manual, uint32_t start) {
  manualTicks = start;
  manualClock = manual;
}

void SetTimeStampRate(uint64_t rate) { cyclesPerMs = rate; }
}  // namespace posix

}  // namespace setup::platform
