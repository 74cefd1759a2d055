#pragma once
// Millisecond tick counter and sleep.

#include <cstdint>

namespace setup::platform {

// Milliseconds since an arbitrary start; wraps like the system tick counter.
uint32_t TickCount();
void SleepMs(uint32_t milliseconds);

}  // namespace setup::platform
