#pragma once
// What a patch's names must be: entry names that become payload files below a folder
// of the patch on the author's disk, paths that stand in script parameters the setup
// expands, and the script's own text.

#include <optional>
#include <set>
#include <string>

namespace setup::setupc {

// Why the entry name (code page, "\" between folders) cannot be the path of a payload
// file that "setupc compile" reads back under the same entry name; empty when it can.
// Refused: an empty name or component, a "." or ".." component, ":" or "/", control
// characters, a component over 255 bytes on the disk, a name over 65,535 bytes, and a
// name the disk's file names cannot carry through the code page and back.
std::string PayloadNameProblem(const std::string& name);

// Why a path relative to the installation folder cannot stand in a parameter that the
// setup expands ("$INSTDIR\" + path in delete, rmdir, createdirectory and the guard): a
// path variable's name after "$", or "%NAME%", which the setup would replace. Empty
// when it can.
std::string ExpansionProblem(const std::string& path);

// A script parameter: the code-page text as UTF-8 in double quotes, each double quote
// doubled. nullopt when the text holds a line break or another control character, or
// a character that does not come back from UTF-8 as the same code-page byte.
std::optional<std::string> ScriptParameter(const std::string& ansi);

// The native path of an entry name (code page, "\" between folders) below folder.
std::string PayloadPath(const std::string& folder, const std::string& name);

// The names written into one payload folder, so that two never meet on a disk that
// ignores letter case: a second file of the same name, a file where a folder is needed
// or a folder where a file is.
class PayloadNames {
 public:
  // Why name cannot join the folder; empty when it has joined it.
  std::string Add(const std::string& name);
  bool Empty() const { return files_.empty(); }

 private:
  std::set<std::string> files_;    // lower-cased
  std::set<std::string> folders_;  // lower-cased
};

}  // namespace setup::setupc
