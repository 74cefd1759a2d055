#pragma once
// The keywords of the script language, with the parameters an author writes for each.
// The command ids come from the setup's own command list; "uninstallicon",
// "uninstallfinaliser", "privileges", "version", "publisher" and "url" are the
// compiler's own and have none.

#include <string_view>
#include <vector>

namespace setup::setupc {

// How a keyword's line is compiled.
enum class Rule {
  Plain,  // parameters as written
  WriteRegStr,
  Goto,
  IfFileExists,
  IfFileCrc,  // the CRC checked and written as 8 upper-case hexadecimal digits
  MessageBox,
  File,
  KzpUpdate,
  KzpOfficial,
  DuplicateEntry,
  VfsUpdate,
  RmDir,
  Failure,
  Language,
  Name,
  ShortName,
  OutFile,
  InstallDir,
  InstallDirRegKey,
  Changelog,
  Pages,
  UninstallPages,
  Prefix,
  UninstallIcon,
  UninstallFinaliser,
  Privileges,    // the compiler's own: the entry "ProductFacts" and the manifest's level
  ProductValue,  // the compiler's own: "version", "publisher", "url" into "ProductFacts"
};

inline constexpr int kAnyCount = -1;

struct KeywordRule {
  std::string_view keyword;  // lower case
  Rule rule;
  int minParams;
  int maxParams;              // kAnyCount: no limit
  std::string_view synopsis;  // the parameters, for messages
};

// The rule of a keyword, compared without regard to case; nullptr when unknown.
const KeywordRule* FindKeyword(std::string_view keyword);

// Every keyword, in the order of the table (for suggestions).
std::vector<std::string_view> KeywordNames();

// Whether count parameters are allowed ("file" takes 1, 2 or 7).
bool CountFits(const KeywordRule& rule, size_t count);

}  // namespace setup::setupc
