#pragma once
// What "setupc apply" compares before and after a run: every file below a folder by
// size and CRC-32, and the number of entries of the product's archives (KZP packages:
// records of the table; VFS archives: files).

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace setup::setupc {

struct ScannedFile {
  uint64_t size = 0;
  uint32_t crc = 0;
  std::optional<uint64_t> entries;  // an archive's entry count; none for other files
  std::string archiveKind;          // "KZP", "VFS", or empty
};

// Every file below folder, by its path relative to it with "/" between folders. Files
// named *.kzp and *.vfs (any case) are read as archives too; one that cannot be read as
// one has no entry count.
std::map<std::string, ScannedFile> ScanFolder(const std::filesystem::path& folder);

// One difference between two scans.
struct ScanChange {
  std::string path;
  enum class Kind { New, Changed, Deleted } kind = Kind::New;
  ScannedFile before;  // Changed and Deleted
  ScannedFile after;   // New and Changed
};
// The differences, in path order.
std::vector<ScanChange> CompareScans(const std::map<std::string, ScannedFile>& before,
                                     const std::map<std::string, ScannedFile>& after);

}  // namespace setup::setupc
