#pragma once
// Facts about the machine and process-wide settings made once at start-up.

#include <cstdint>

namespace setup::platform {

// The system default language identifier (for example 0x0409).
uint16_t SystemDefaultLangId();
// Restricts the process to the first processor (affinity mask 1); failures are ignored.
void RestrictToFirstProcessor();
// Makes every number the program formats use "." as decimal separator.
void UseDotDecimalSeparator();

}  // namespace setup::platform
