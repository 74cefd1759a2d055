#pragma once
// Settings of the posix shell, environment and drive services that tests steer. Each
// setting holds until it is set again or reset; the defaults are listed with it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/drives.h"

namespace setup::platform::posix {

// Special folders, the same for both lookups of platform/shell.h. Defaults, those of a
// user named "User" on drive C: (the file services map them into the sandbox root):
//   0  desktop        C:\Users\User\Desktop
//   2  programs       C:\Users\User\AppData\Roaming\Microsoft\Windows\Start Menu\Programs
//   26 appdata        C:\Users\User\AppData\Roaming
//   38 program files  C:\Program Files
// Any other number has no folder. An empty path makes the lookup fail.
void SetSpecialFolder(int csidl, const std::string& path);
void ResetSpecialFolders();

// The environment block: by default the process environment (environ), read at each
// call; after SetEnvironmentBlock, exactly the given strings.
void SetEnvironmentBlock(const std::vector<std::string>& strings);
void UseProcessEnvironment();

// The logical drives in list order. Default: one fixed drive "C:\". A root that is not
// in the list has the kind NoRootDir.
struct LogicalDrive {
  std::string root;
  DriveType type = DriveType::Fixed;
};
void SetLogicalDrives(const std::vector<LogicalDrive>& drives);
void ResetLogicalDrives();

// Free space by drive: by default the space the sandbox's file system gives the drive's
// folder (<root>/X), none when that folder is missing. SetFreeDiskSpace fixes the answer
// for the drive of root (nullopt: the query fails) until ResetFreeDiskSpace.
void SetFreeDiskSpace(const std::string& root, std::optional<uint64_t> bytes);
void ResetFreeDiskSpace();

}  // namespace setup::platform::posix
