#pragma once
// Logical drives: their roots in the system's order, their kinds and free space.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setup::platform {

// The drive kinds, with the values the Windows API gives them.
enum class DriveType : int {
  Unknown = 0,
  NoRootDir = 1,  // the root is not valid (no such drive)
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
};

// The roots of the logical drives ("C:\", "D:\", ...) in the order the system lists
// them. The list is read into a buffer of capacity characters, laid out as the system
// writes it: each root followed by a NUL, and one more NUL at the end. When the list
// does not fit, raises SetupError with the system's message for running out of
// storage. An empty list when the system cannot list the drives.
std::vector<std::string> LogicalDriveRoots(size_t capacity);

// The kind of the drive whose root is given ("D:\").
DriveType DriveTypeOf(const std::string& root);

// The free bytes of the drive whose root is given ("C:\") that the user may use (a
// disk quota counts); nullopt when the drive cannot be queried.
std::optional<uint64_t> FreeDiskSpace(const std::string& root);

}  // namespace setup::platform
