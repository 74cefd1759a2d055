#pragma once
// TOSInfo: the Windows description the error report gives, worked out from the
// version data, the edition metrics and, where the version data falls short, the
// registry.

#include <cstdint>
#include <string>

#include "platform/os_version.h"

namespace setup {

enum class OsKind : int {
  Unknown = 0,
  Windows95 = 1,
  Windows98 = 2,
  WindowsMe = 3,
  WindowsNT4 = 4,
  Windows2000 = 5,
  WindowsXP = 6,
  WindowsServer2003 = 7,
  WindowsVista = 8,
  WindowsServer2008 = 9,
  Windows7 = 10,
  WindowsServer2008R2 = 11,
};

struct TOSInfo {
  OsKind Kind = OsKind::Unknown;
  std::string Name;         // "Windows XP"
  std::string Edition;      // "Professional"; always empty outside the NT platform
  std::string ServicePack;  // "Service Pack 3", "OSR2", ...
  uint32_t BuildNumber = 0;
  uint16_t ServicePackMajor = 0;  // 0 without the extended version data
  uint16_t ServicePackMinor = 0;

  // Name, a space and the edition (the space stays when the edition is empty).
  std::string Product() const { return Name + " " + Edition; }

  // Reads the registry for the product type when the extended version data is
  // missing, and for the hotfix that makes NT4 Service Pack 6 into 6a.
  static TOSInfo Describe(const platform::OsVersion& version, bool mediaCenter, bool tabletPc);
  // Describe of this system.
  static TOSInfo OfThisSystem();
};

const char* OsKindName(OsKind kind);

}  // namespace setup
