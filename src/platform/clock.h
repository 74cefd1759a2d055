#pragma once
// Millisecond tick counter, sleep, the processor's time-stamp counter, local time.

#include <cstdint>

namespace setup::platform {

// Milliseconds since an arbitrary start; wraps like the system tick counter.
uint32_t TickCount();
void SleepMs(uint32_t milliseconds);
// The processor's cycle counter. The posix build derives it from the clock at a
// settable rate (2,000,000 per millisecond by default), so with the manual clock it
// advances only with SleepMs.
uint64_t TimeStampCounter();
// The current local time as an MS-DOS date (high word) and time (low word): the
// time stamps of archive records.
uint32_t LocalDosDateTime();

}  // namespace setup::platform
