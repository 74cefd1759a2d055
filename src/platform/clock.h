#pragma once
// Millisecond tick counter, sleep, and the processor's time-stamp counter.

#include <cstdint>

namespace setup::platform {

// Milliseconds since an arbitrary start; wraps like the system tick counter.
uint32_t TickCount();
void SleepMs(uint32_t milliseconds);
// The processor's cycle counter. The posix build derives it from the clock at a
// settable rate (2,000,000 per millisecond by default), so with the manual clock it
// advances only with SleepMs.
uint64_t TimeStampCounter();

}  // namespace setup::platform
