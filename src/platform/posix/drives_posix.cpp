// Logical drives from a settable list; free space from the sandbox's file system
// unless a test has set it.
#include <sys/statvfs.h>

#include <map>
#include <mutex>

#include "base/errors.h"
#include "base/text_replace.h"
#include "platform/drives.h"
#include "platform/posix/posix_controls.h"
#include "platform/posix/shell_controls.h"

namespace setup::platform {

namespace {

std::vector<posix::LogicalDrive> DefaultDrives() { return {{"C:\\", DriveType::Fixed}}; }

std::mutex drivesMutex;
std::vector<posix::LogicalDrive>& Drives() {
  static std::vector<posix::LogicalDrive> drives = DefaultDrives();
  return drives;
}

// Free space set by tests, by drive letter (upper case).
std::map<char, std::optional<uint64_t>>& FreeSpaceSettings() {
  static std::map<char, std::optional<uint64_t>> settings;
  return settings;
}

char DriveLetter(const std::string& root) {
  const char c = root.empty() ? '\0' : root[0];
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameRoot(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> LogicalDriveRoots(size_t capacity) {
  std::lock_guard<std::mutex> lock(drivesMutex);
  // The characters the system's list takes: each root and its NUL, then the final NUL.
  size_t needed = 1;
  std::vector<std::string> roots;
  for (const posix::LogicalDrive& drive : Drives()) {
    needed += drive.root.size() + 1;
    roots.push_back(drive.root);
  }
  if (needed > capacity) throw SetupError("Not enough storage is available to complete this operation.");
  return roots;
}

DriveType DriveTypeOf(const std::string& root) {
  std::lock_guard<std::mutex> lock(drivesMutex);
  for (const posix::LogicalDrive& drive : Drives()) {
    if (SameRoot(drive.root, root)) return drive.type;
  }
  return DriveType::NoRootDir;
}

std::optional<uint64_t> FreeDiskSpace(const std::string& root) {
  {
    std::lock_guard<std::mutex> lock(drivesMutex);
    const auto set = FreeSpaceSettings().find(DriveLetter(root));
    if (set != FreeSpaceSettings().end()) return set->second;
  }
  struct statvfs fs {};
  if (statvfs(posix::MapPath(root).c_str(), &fs) != 0) return std::nullopt;
  return static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
}

namespace posix {

void SetLogicalDrives(const std::vector<LogicalDrive>& drives) {
  std::lock_guard<std::mutex> lock(drivesMutex);
  Drives() = drives;
}

void ResetLogicalDrives() {
  std::lock_guard<std::mutex> lock(drivesMutex);
  Drives() = DefaultDrives();
}

void SetFreeDiskSpace(const std::string& root, std::optional<uint64_t> bytes) {
  std::lock_guard<std::mutex> lock(drivesMutex);
  FreeSpaceSettings()[DriveLetter(root)] = bytes;
}

void ResetFreeDiskSpace() {
  std::lock_guard<std::mutex> lock(drivesMutex);
  FreeSpaceSettings().clear();
}

}  // namespace posix

}  // namespace setup::platform
