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
// The local date and time as MS-DOS packs it: date in the high 16 bits (day, month,
// years since 1980), time in the low 16 bits (seconds / 2, minutes, hours).
uint32_t LocalDosDateTime();

}  // namespace setup::platform
