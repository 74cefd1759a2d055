#pragma once
// The uninstaller: a copy of the running setup's executable image with a small package
// of its own (the "UNINSTALL_" entries without their prefix, then "SetupInfo" marked as
// uninstaller), written into the installation folder and registered with the system's
// list of installed programs.

#include <array>
#include <optional>
#include <string>

#include "installlog/uninstall_registration.h"

namespace setup {

struct SetupContext;

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
