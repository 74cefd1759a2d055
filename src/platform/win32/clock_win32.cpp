#include <windows.h>
#include <intrin.h>

#include "platform/clock.h"

namespace setup::platform {

uint32_t TickCount() { return GetTickCount(); }

void SleepMs(uint32_t milliseconds) { Sleep(milliseconds); }

uint64_t TimeStampCounter() { return __rdtsc(); }

}  // namespace setup::platform
