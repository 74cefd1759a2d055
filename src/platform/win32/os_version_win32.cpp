// The Windows version through the version query, and the system metrics.
#include <windows.h>

#include "platform/os_version.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

OsVersion QueryOsVersion() {
  OsVersion version;
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
    version.extended = true;
    version.servicePackMajor = info.wServicePackMajor;
    version.servicePackMinor = info.wServicePackMinor;
    version.suiteMask = info.wSuiteMask;
    version.productType = info.wProductType;
  } else {
    // Systems before NT4 Service Pack 6 know only the basic structure.
    info = OSVERSIONINFOEXW{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return version;
  }
  version.platformId = info.dwPlatformId;
  version.major = info.dwMajorVersion;
  version.minor = info.dwMinorVersion;
  // The 9x platform keeps the major and minor version in the high word.
  version.build =
      info.dwPlatformId == VER_PLATFORM_WIN32_NT ? info.dwBuildNumber : info.dwBuildNumber & 0xFFFF;
  version.csdVersion = win32::WideStringToAnsi(info.szCSDVersion);
  return version;
}

int SystemMetric(int index) { return GetSystemMetrics(index); }

}  // namespace setup::platform
