#pragma once
// setupc diff's view of one build folder: every file and folder below it with its path
// as 8-bit text in the code page ("\" between folders) and the key it is matched by
// (lower-cased as Windows finds files), and whole files summed in bounded memory.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace setup::setupc {

struct BuildItem {
  std::string path;    // relative, code page, "\" between folders
  std::string key;     // path lower-cased by the code page's rules
  std::string native;  // the local path, for platform::File
  std::filesystem::path file;  // the same, for the archive readers
  uint64_t size = 0;   // files only
};

struct BuildTree {
  std::vector<BuildItem> files;    // sorted by key, then by path
  std::vector<BuildItem> folders;  // the same
};

// Every regular file and real folder below root (links are not followed). Throws
// std::runtime_error naming the folder when it cannot be read, or a name the code page
// cannot hold.
BuildTree WalkBuild(const std::filesystem::path& root);

// The matching key of a path or name: letters lower-cased by the code page's rules.
std::string LooseKey(std::string_view path);
// The last component of a "\"-separated path.
std::string_view LastComponent(std::string_view path);

struct FileSum {
  uint64_t size = 0;
  uint32_t crc = 0;
};
// Size and CRC-32 of a whole file, read in pieces of 1 MiB. Throws std::runtime_error
// when it cannot be read.
FileSum SumFile(const std::string& native);

}  // namespace setup::setupc
