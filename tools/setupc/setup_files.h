#pragma once
// The setup's own files that a script names by convention, checked the way the setup
// will read them: language files (languages/NAME.txt) and page sets (pages/NAME/).

#include <cstddef>
#include <string>
#include <vector>

#include "setupc/diagnostic.h"

namespace setup::setupc {

// A file to add to group 0, and where it is named.
struct NamedFile {
  std::string name;  // the entry name, before any "UNINSTALL_" prefix
  std::string path;  // native
  std::string namedIn;
  size_t line = 0;
};

// Whether the language file at path is UTF-16 little-endian with a byte-order mark and
// CR LF line ends; if not, reports why (at namedIn:line, or at the offending line).
bool CheckLanguageFile(const std::string& path, const std::string& namedIn, size_t line,
                       Diagnostics& diagnostics);

// The files of the page set in folder: "Pages.txt", the page files its "[Pages]"
// section lists, and the pictures and rich-text files those load, in that order
// (named as the layouts name them, found in the folder without regard to case). A
// rich edit may also name the changelog entry, which is not in the folder. Errors go
// to diagnostics; a file in error is left out. Slips the setup would pass over in
// silence (an unknown page or control type, a near miss of a special control name) go
// to warnings.
std::vector<NamedFile> GatherPageSet(const std::string& folder, const std::string& namedIn, size_t line,
                                     const std::string& changelog, Diagnostics& diagnostics,
                                     Diagnostics& warnings);

}  // namespace setup::setupc
