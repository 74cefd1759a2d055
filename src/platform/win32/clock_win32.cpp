#include <windows.h>

#include "platform/clock.h"

namespace setup::platform {

uint32_t TickCount() { return GetTickCount(); }

void SleepMs(uint32_t milliseconds) { Sleep(milliseconds); }

}  // namespace setup::platform
