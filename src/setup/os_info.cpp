#include "setup/os_info.h"

#include <string_view>

#include "platform/registry.h"

namespace setup {

namespace {

constexpr const char* kProductOptionsKey = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr const char* kNt4HotfixKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// The first character after any leading blanks, upper-cased; 0 when there is none.
// Windows 95 and 98 report their letter after a space (" C", " A").
char VersionLetter(const std::string& csd) {
  const size_t at = csd.find_first_not_of(' ');
  return at == std::string::npos ? '\0' : AsciiUpper(csd[at]);
}

// "WINNT", "LANMANNT" or "SERVERNT" on systems without the extended version data.
std::string RegistryProductType() {
  platform::RegistryKey key;
  if (!key.Open(platform::kHkeyLocalMachine, kProductOptionsKey)) return {};
  return key.ReadString("ProductType").value_or("");
}

uint8_t ProductTypeOf(const platform::OsVersion& version, const std::string& registryType) {
  if (version.extended) return version.productType;
  if (EqualsNoCase(registryType, "WINNT")) return platform::kProductWorkstation;
  if (EqualsNoCase(registryType, "LANMANNT") || EqualsNoCase(registryType, "SERVERNT")) {
    return platform::kProductServer;
  }
  return 0;
}

OsKind KindOf(const platform::OsVersion& v, uint8_t productType) {
  const bool workstation = productType == platform::kProductWorkstation;
  if (v.platformId == platform::kPlatformWin32Windows && v.major == 4) {
    if (v.minor == 0) return OsKind::Windows95;
    if (v.minor == 10) return OsKind::Windows98;
    if (v.minor == 90) return OsKind::WindowsMe;
  } else if (v.platformId == platform::kPlatformWin32Nt) {
    if (v.major == 4 && v.minor == 0) return OsKind::WindowsNT4;
    if (v.major == 5 && v.minor == 0) return OsKind::Windows2000;
    if (v.major == 5 && v.minor == 1) return OsKind::WindowsXP;
    if (v.major == 5 && v.minor == 2) return OsKind::WindowsServer2003;
    if (v.major == 6 && v.minor == 0) return workstation ? OsKind::WindowsVista : OsKind::WindowsServer2008;
    if (v.major == 6 && v.minor == 1) return workstation ? OsKind::Windows7 : OsKind::WindowsServer2008R2;
  }
  return OsKind::Unknown;
}

std::string WorkstationEdition(OsKind kind, uint16_t suites, bool mediaCenter, bool tabletPc) {
  switch (kind) {
    case OsKind::WindowsNT4:
      return "Workstation 4.0";
    case OsKind::Windows2000:
      return "Professional";
    case OsKind::WindowsXP:
      if (mediaCenter) return "Media Center Edition";
      if (tabletPc) return "Tablet PC Edition";
      if (suites & platform::kSuitePersonal) return "Home Edition";
      return "Professional";
    default:
      return {};
  }
}

std::string ServerEdition(OsKind kind, uint16_t suites) {
  const bool enterprise = (suites & platform::kSuiteEnterprise) != 0;
  const bool datacenter = (suites & platform::kSuiteDatacenter) != 0;
  switch (kind) {
    case OsKind::WindowsNT4:
      return enterprise ? "Server 4.0, Enterprise Edition" : "Server 4.0";
    case OsKind::Windows2000:
      if (datacenter) return "Datacenter Server";
      if (enterprise) return "Advanced Server";
      return "Standard Edition";
    case OsKind::WindowsServer2003:
      if (datacenter) return "DataCenter Edition";
      if (enterprise) return "Enterprise Edition";
      if (suites & platform::kSuiteBlade) return "Web Edition";
      return "Standard Edition";
    default:
      return {};
  }
}

std::string EditionOf(const platform::OsVersion& v, OsKind kind, const std::string& registryType,
                      bool mediaCenter, bool tabletPc) {
  if (v.platformId != platform::kPlatformWin32Nt) return {};
  if (!v.extended) {
    std::string edition;
    if (EqualsNoCase(registryType, "WINNT")) edition = "WorkStation";
    if (EqualsNoCase(registryType, "LANMANNT")) edition = "Server";
    if (EqualsNoCase(registryType, "SERVERNT")) edition = "Advanced Server";
    if (edition.empty()) return edition;
    edition += ' ';
    edition += std::to_string(v.major);
    edition += '.';
    edition += std::to_string(v.minor);
    return edition;
  }
  switch (v.productType) {
    case platform::kProductWorkstation:
      return WorkstationEdition(kind, v.suiteMask, mediaCenter, tabletPc);
    case platform::kProductServer:
    case platform::kProductDomainController:
      return ServerEdition(kind, v.suiteMask);
    default:
      return {};
  }
}

std::string ServicePackOf(const platform::OsVersion& v, OsKind kind) {
  if (v.platformId == platform::kPlatformWin32Windows) {
    const char letter = VersionLetter(v.csdVersion);
    if (kind == OsKind::Windows95 && (letter == 'B' || letter == 'C')) return "OSR2";
    if (kind == OsKind::Windows98 && letter == 'A') return "SE";
    return {};
  }
  if (v.platformId != platform::kPlatformWin32Nt) return {};
  if (kind == OsKind::WindowsNT4 && EqualsNoCase(v.csdVersion, "Service Pack 6") &&
      platform::RegistryKeyExists(platform::kHkeyLocalMachine, kNt4HotfixKey)) {
    return "Service Pack 6a";
  }
  return v.csdVersion;
}

}  // namespace

const char* OsKindName(OsKind kind) {
  switch (kind) {
    case OsKind::Unknown:
      break;
    case OsKind::Windows95:
      return "Windows 95";
    case OsKind::Windows98:
      return "Windows 98";
    case OsKind::WindowsMe:
      return "Windows Me";
    case OsKind::WindowsNT4:
      return "Windows NT4";
    case OsKind::Windows2000:
      return "Windows 2000";
    case OsKind::WindowsXP:
      return "Windows XP";
    case OsKind::WindowsServer2003:
      return "Windows Server2003";
    case OsKind::WindowsVista:
      return "Windows Vista";
    case OsKind::WindowsServer2008:
      return "Windows Server 2008";
    case OsKind::Windows7:
      return "Windows 7";
    case OsKind::WindowsServer2008R2:
      return "Windows Server 2008 R2";
  }
  return "Unknown OS";
}

TOSInfo TOSInfo::Describe(const platform::OsVersion& version, bool mediaCenter, bool tabletPc) {
  // Only a system without the extended data needs the registry's word on its product.
  const bool askRegistry = !version.extended && version.platformId == platform::kPlatformWin32Nt;
  const std::string registryType = askRegistry ? RegistryProductType() : std::string();

  TOSInfo info;
  info.Kind = KindOf(version, ProductTypeOf(version, registryType));
  info.Name = OsKindName(info.Kind);
  info.Edition = EditionOf(version, info.Kind, registryType, mediaCenter, tabletPc);
  info.ServicePack = ServicePackOf(version, info.Kind);
  info.BuildNumber = version.build;
  if (version.extended) {
    info.ServicePackMajor = version.servicePackMajor;
    info.ServicePackMinor = version.servicePackMinor;
  }
  return info;
}

TOSInfo TOSInfo::OfThisSystem() {
  return Describe(platform::QueryOsVersion(), platform::SystemMetric(platform::kMetricMediaCenter) != 0,
                  platform::SystemMetric(platform::kMetricTabletPc) != 0);
}

}  // namespace setup
