#include "script/free_space.h"

#include <cstdint>
#include <optional>

#include "platform/drives.h"

namespace setup {

void MeasureFreeSpace(const std::string& expandedFolder, TPathVariables& vars) {
  char letter = expandedFolder.empty() ? '\0' : expandedFolder[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  const bool drivePath = letter >= 'A' && letter <= 'Z' && expandedFolder.size() >= 2 && expandedFolder[1] == ':';
  std::optional<uint64_t> bytes;
  if (drivePath) bytes = platform::FreeDiskSpace(std::string(1, letter) + ":\\");
  // Beyond the signed range only in theory; such a drive has room enough.
  if (bytes && *bytes > static_cast<uint64_t>(INT64_MAX)) bytes = static_cast<uint64_t>(INT64_MAX);
  vars.SetFreeSpace(bytes ? static_cast<int64_t>(*bytes) : kUnknownFreeSpace);
}

bool SpaceSuffices(const TPathVariables& vars) {
  return vars.FreeSpace == kUnknownFreeSpace || vars.FreeSpace >= vars.RequiredSpace;
}

}  // namespace setup
