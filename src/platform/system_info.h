#pragma once
// Facts about the machine and process-wide settings made once at start-up.

#include <cstdint>

namespace setup::platform {

// The system default language identifier (for example 0x0409).
uint16_t SystemDefaultLangId();
// The processors this process may run on (at least 1).
unsigned ProcessorCount();
// Keeps the calling thread on the first processor while it lives (a time-stamp counter
// measurement reads one processor's counter twice); restores the thread's previous
// processors afterwards. Failures are ignored.
class FirstProcessorScope {
 public:
  FirstProcessorScope();
  ~FirstProcessorScope();
  FirstProcessorScope(const FirstProcessorScope&) = delete;
  FirstProcessorScope& operator=(const FirstProcessorScope&) = delete;

 private:
  [[maybe_unused]] uintptr_t previousMask_ = 0;  // unused where threads cannot be bound
};
// Makes every number the program formats use "." as decimal separator.
void UseDotDecimalSeparator();
// Total physical memory in bytes, the system's classic memory-status figure (in a
// 32-bit process on a machine with more than 4 GiB it is capped at 2 GiB or 4 GiB - 1).
uint64_t TotalPhysicalMemory();

}  // namespace setup::platform
