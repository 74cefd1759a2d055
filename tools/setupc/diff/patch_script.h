#pragma once
// The install script of a patch (setup.txt): headers, the version guard, the changes.
// Every text in here is code-page text that ScriptParameter accepts (the writer checks
// each before it plans a line).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "setupc/diff/tree_diff.h"

namespace setup::setupc {

// One check of the version guard.
struct PatchGuard {
  enum class Kind { Changed, Removed, Archive };
  Kind kind = Kind::Changed;
  std::string path;  // relative to the installation folder
  uint32_t oldCrc = 0, newCrc = 0;
};

struct PatchKzpGroup {
  std::string package;            // relative to the installation folder
  std::string source;             // the payload folder, "kzp\N"; empty: no kzpupdate line
  size_t entries = 0;             // files in it
  std::string password;
  std::vector<KzpSharedName> duplicates;  // "duplicateentry" lines after the update
  std::optional<bool> official;           // "kzpofficial" to this value
};

struct PatchVfsGroup {
  std::string archive;
  std::string source;  // "vfs\N"
  size_t files = 0;
};

struct PatchScript {
  std::string name;
  std::string installDir;
  std::vector<std::string> regKey;  // empty or ROOT KEY VALUE
  std::optional<std::string> logPrefix;
  std::string language = "english";
  std::vector<PatchGuard> guards;
  std::vector<PatchKzpGroup> packages;
  std::vector<PatchVfsGroup> archives;
  std::vector<std::string> deletes;        // loose files
  std::vector<std::string> removeFolders;  // deepest first
  std::string filesSource;                 // "files"; empty: no "file" line
  size_t files = 0;
  std::vector<std::string> createFolders;
  size_t leftOut = 0;  // differences not expressed (named in a comment)
};

// The script, UTF-8 with LF line ends.
std::string PatchScriptText(const PatchScript& script);

// The CRC as the guard writes it: 8 upper-case hexadecimal digits.
std::string CrcDigits(uint32_t crc);

}  // namespace setup::setupc
