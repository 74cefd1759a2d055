#pragma once
// The uninstaller: a copy of the running setup's executable image with a small package
// of its own (the "UNINSTALL_" entries without their prefix, then "SetupInfo" marked as
// uninstaller), written into the installation folder and registered with the system's
// list of installed programs.

#include <array>
#include <optional>
#include <string>

namespace setup {

struct SetupContext;

// The key below HKEY_LOCAL_MACHINE under which installed programs are registered; the
// product's own key is this path followed by its short name.
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
// Every value BuildUninstaller writes, so that the uninstall run removes exactly these.
inline constexpr std::array<const char*, 9> kUninstallValueNames = {
    kDisplayNameValue, kUninstallStringValue, kQuietUninstallStringValue, kDisplayIconValue,
    kInstallLocationValue, kEstimatedSizeValue, kNoModifyValue, kNoRepairValue, kInstallLogDigestValue};

// Entries of the setup's group 0 whose names begin with this (any letter case) are the
// uninstaller's files; the icon entry among them becomes its icon instead.
inline constexpr const char* kUninstallEntryPrefix = "UNINSTALL_";
inline constexpr const char* kUninstallIconEntry = "UNINSTALL_ICON.ICO";

// Registers the product and writes the uninstaller. Runs once, on the worker thread,
// after the uninstall log has been saved; installLogDigest is the SHA-256 (hex) of the
// log saved, empty when it was not saved whole (the registration then holds no digest,
// not even one an earlier installation left). Sets IsUninstaller in the live setup
// information. Raises SetupError when a registration value cannot be written.
void BuildUninstaller(SetupContext& context, const std::string& installLogDigest = "");

// Replaces the first icon image of the executable by the first image of the icon file.
// True when the resource update was committed (never in the posix build). An icon file
// that is short, or whose first directory entry points outside the file, gives false.
bool ChangeIcon(const std::string& iconFile, const std::string& exeFile);

}  // namespace setup
