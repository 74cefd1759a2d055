#pragma once
// setupc diff -o: writes a product source folder (a script, its languages and pages,
// payload folders) whose setup, installed into a folder that holds OLD, makes that
// folder equal to NEW. See docs/patching.md.

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "setupc/diff/tree_diff.h"

namespace setup::setupc {

struct PatchOptions {
  std::filesystem::path oldRoot, newRoot;
  std::filesystem::path output;                // OUT
  std::optional<std::filesystem::path> sources;  // --sources DIR: WAV files of ADPCM sounds
  std::string name;                            // --name: the setup's title (default: "<NEW's folder name> patch")
  std::optional<std::string> logPrefix;        // --log-prefix P: extend the product's install log
  std::optional<std::string> installDir;       // --installdir FOLDER
  std::vector<std::string> regKey;             // --regkey ROOT KEY VALUE (empty or 3 items)
  bool allowPartial = false;                   // --allow-partial
};

// Writes the folder. Adds what it could not express to diff.Inexpressibles (sounds
// without a usable source, names that cannot be payload files, ...). Returns the exit
// code: 0 when the patch makes the folder equal to NEW, 1 when something was left out
// and allowPartial is false (the folder is still written), 2 when OUT cannot be written.
int WritePatchSource(TreeDiff& diff, const PatchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace setup::setupc
