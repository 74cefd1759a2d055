#include "script/cd_drive_path.h"

#include <string_view>

#include "base/text_replace.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "script/path_variables.h"

namespace setup {

namespace {

constexpr std::string_view kCdDriveVariable = "$CDDRIVE";

bool ContainsFolded(std::string_view text, std::string_view pattern) {
  if (pattern.size() > text.size()) return false;
  for (size_t start = 0; start + pattern.size() <= text.size(); ++start) {
    size_t i = 0;
    while (i < pattern.size() && FoldAscii(text[start + i]) == FoldAscii(pattern[i])) ++i;
    if (i == pattern.size()) return true;
  }
  return false;
}

}  // namespace

std::string ResolveCdDrivePath(const std::string& path) {
  if (!ContainsFolded(path, kCdDriveVariable)) return path;
  // Every CD-ROM drive in the system's order; the first that holds the file wins, so a
  // setup split over several discs finds the one that is inserted.
  for (const std::string& root : platform::LogicalDriveRoots(kDriveListCapacity)) {
    if (platform::DriveTypeOf(root) != platform::DriveType::CdRom) continue;
    std::string candidate = ReplaceAll(path, kCdDriveVariable, root);
    if (platform::FileExists(candidate)) return candidate;
  }
  return path;
}

}  // namespace setup
