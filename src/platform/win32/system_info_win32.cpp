#include <windows.h>

#include <clocale>

#include "platform/system_info.h"

namespace setup::platform {

uint16_t SystemDefaultLangId() { return GetSystemDefaultLangID(); }

unsigned ProcessorCount() {
  DWORD_PTR processMask = 0;
  DWORD_PTR systemMask = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask) || processMask == 0) return 1;
  unsigned count = 0;
  for (; processMask != 0; processMask &= processMask - 1) ++count;
  return count;
}

FirstProcessorScope::FirstProcessorScope()
    : previousMask_(static_cast<uintptr_t>(SetThreadAffinityMask(GetCurrentThread(), 1))) {}

FirstProcessorScope::~FirstProcessorScope() {
  // 0: the mask was refused, so there is nothing to restore.
  if (previousMask_ != 0) SetThreadAffinityMask(GetCurrentThread(), static_cast<DWORD_PTR>(previousMask_));
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
