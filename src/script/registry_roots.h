#pragma once
// The registry root index of setup records and scripts: 0 "HKLM", 1 "HKCU", 2 "HKCR",
// 3 "HKU", 4 "HKCC".

#include <cstdint>
#include <string>
#include <string_view>

namespace setup {

// The index of a short root name, matched without regard to case; an unknown name
// gives 0 (HKLM).
uint8_t RootIndexFromName(std::string_view name);
// The root key (the platform's numeric value) of an index; any other index gives 0,
// no key, with which every registry operation fails.
uint32_t RootKeyFromIndex(uint8_t index);
// "HKEY_LOCAL_MACHINE" and so on; "!ERROR!" for any other index.
std::string RootDisplayName(uint8_t index);

}  // namespace setup
