#pragma once
// Where and under which value names a product is registered in Windows' list of
// installed programs. The builder writes the registration, the uninstall run removes
// it, and the install log's digest check reads it.

#include <array>
#include <optional>
#include <string>

namespace setup {

// The key below HKEY_LOCAL_MACHINE (HKEY_CURRENT_USER for a per-user setup) under which
// installed programs are registered; the product's own key is this path followed by its
// short name.
inline constexpr const char* kUninstallKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The product's own key below HKEY_LOCAL_MACHINE: kUninstallKeyPath followed by the
// short name. nullopt when the short name names no key of its own (empty, or only
// backslashes), which would make the Uninstall key itself the product's key: then the
// builder registers nothing and the uninstall run removes nothing.
inline std::optional<std::string> ProductUninstallKey(const std::string& shortName) {
  if (shortName.find_first_not_of('\\') == std::string::npos) return std::nullopt;
  return std::string(kUninstallKeyPath) + shortName;
}

// The values of the product's registration.
inline constexpr const char* kDisplayNameValue = "DisplayName";          // ShortName
inline constexpr const char* kUninstallStringValue = "UninstallString";  // the uninstaller's path
inline constexpr const char* kDisplayIconValue = "DisplayIcon";          // the uninstaller's path
inline constexpr const char* kInstallLocationValue = "InstallLocation";  // InstallDir
inline constexpr const char* kEstimatedSizeValue = "EstimatedSize";      // DWORD, KB written
inline constexpr const char* kNoModifyValue = "NoModify";                // DWORD 1
inline constexpr const char* kNoRepairValue = "NoRepair";                // DWORD 1
// The uninstaller's quoted path and " /S": how a deployment tool removes it unattended.
inline constexpr const char* kQuietUninstallStringValue = "QuietUninstallString";
// The SHA-256 (hex) of the install log the run saved. The key is writable by
// administrators only, the installation folder that holds the log perhaps by anyone:
// the uninstaller acts only on a log with this digest (install_log_digest.h).
inline constexpr const char* kInstallLogDigestValue = "InstallLogDigest";
// The author's "version", "publisher" and "url" (product_facts.h), when given.
inline constexpr const char* kDisplayVersionValue = "DisplayVersion";
inline constexpr const char* kPublisherValue = "Publisher";
inline constexpr const char* kUrlInfoAboutValue = "URLInfoAbout";
// Every value BuildUninstaller writes, so that the uninstall run removes exactly these.
inline constexpr std::array<const char*, 12> kUninstallValueNames = {
    kDisplayNameValue,     kUninstallStringValue, kQuietUninstallStringValue, kDisplayIconValue,
    kInstallLocationValue, kEstimatedSizeValue,   kNoModifyValue,             kNoRepairValue,
    kInstallLogDigestValue, kDisplayVersionValue, kPublisherValue,            kUrlInfoAboutValue};

}  // namespace setup
