#pragma once
// The uninstaller: a copy of the running setup's executable image with a small package
// of its own (the "UNINSTALL_" entries without their prefix, then "SetupInfo" marked as
// uninstaller), written into the installation folder and registered with the system's
// list of installed programs.

#include <string>

namespace setup {

struct SetupContext;

// The key below HKEY_LOCAL_MACHINE under which installed programs are registered; the
// product's own key is this path followed by its short name.
inline constexpr const char* kUninstallKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Registers the product and writes the uninstaller. Runs once, on the worker thread,
// after the uninstall log has been saved. Sets IsUninstaller in the live setup
// information. Raises SetupError when a registration value cannot be written.
void BuildUninstaller(SetupContext& context);

// Replaces the first icon image of the executable by the first image of the icon file.
// True when the resource update was committed (never in the posix build).
bool ChangeIcon(const std::string& iconFile, const std::string& exeFile);

}  // namespace setup
