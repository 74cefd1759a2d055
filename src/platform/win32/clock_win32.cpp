#include <windows.h>
#include <intrin.h>

#include "platform/clock.h"

namespace setup::platform {

uint32_t TickCount() { return GetTickCount(); }

void SleepMs(uint32_t milliseconds) { Sleep(milliseconds); }

uint64_t TimeStampCounter() { return __rdtsc(); }

uint32_t LocalDosDateTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME local;
  WORD date = 0;
  WORD time = 0;
  if (!SystemTimeToFileTime(&now, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return (static_cast<uint32_t>(date) << 16) | time;
}

}  // namespace setup::platform
