#include <windows.h>

#include <clocale>

#include "platform/system_info.h"

namespace setup::platform {

uint16_t SystemDefaultLangId() { return GetSystemDefaultLangID(); }

void RestrictToFirstProcessor() {
  // A machine (or a job object) may refuse the mask; running on more processors is
  // harmless, so the result is not checked.
  SetProcessAffinityMask(GetCurrentProcess(), 1);
}

void UseDotDecimalSeparator() {
  // The program formats numbers only through the C run-time, never with the user's
  // locale settings, so the "C" numeric locale is all it takes.
  std::setlocale(LC_NUMERIC, "C");
}

uint64_t TotalPhysicalMemory() {
  // The classic figure on purpose: it is what error reports have always shown.
  MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatus(&status);
  return status.dwTotalPhys;
}

}  // namespace setup::platform
