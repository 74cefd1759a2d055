#pragma once
// The Windows version as the system describes itself, and the system metrics that
// tell editions apart. The posix build answers with settable values (see
// posix/posix_controls.h); by default those of Windows 7 Professional, Service Pack 1.

#include <cstdint>
#include <string>

namespace setup::platform {

// Platform identifiers.
inline constexpr uint32_t kPlatformWin32Windows = 1;  // Windows 95, 98, Me
inline constexpr uint32_t kPlatformWin32Nt = 2;

// Product types.
inline constexpr uint8_t kProductWorkstation = 1;
inline constexpr uint8_t kProductDomainController = 2;
inline constexpr uint8_t kProductServer = 3;

// Suite mask bits.
inline constexpr uint16_t kSuiteEnterprise = 0x0002;
inline constexpr uint16_t kSuiteDatacenter = 0x0080;
inline constexpr uint16_t kSuitePersonal = 0x0200;
inline constexpr uint16_t kSuiteBlade = 0x0400;

// System metric indexes.
inline constexpr int kMetricTabletPc = 86;
inline constexpr int kMetricMediaCenter = 87;

struct OsVersion {
  uint32_t platformId = 0;
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;      // on the Windows 9x platform the low word only
  std::string csdVersion;  // the version-detail text, e.g. "Service Pack 3" or " C"
  // The fields below come from the extended query; when the system does not answer
  // it (before NT4 Service Pack 6), extended is false and they are 0.
  bool extended = false;
  uint16_t servicePackMajor = 0;
  uint16_t servicePackMinor = 0;
  uint16_t suiteMask = 0;
  uint8_t productType = 0;
};

// Asks the extended version query first and falls back to the basic one.
OsVersion QueryOsVersion();

// The system metric of that index; 0 for an index the system does not know.
int SystemMetric(int index);

}  // namespace setup::platform
