#include "setupc/script_keywords.h"

#include <cctype>

namespace setup::setupc {

namespace {

constexpr KeywordRule kKeywords[] = {
    {"goto", Rule::Goto, 1, 1, "LABEL"},
    {"name", Rule::Name, 1, 1, "TITLE"},
    {"outfile", Rule::OutFile, 1, 1, "FILE"},
    {"installdir", Rule::InstallDir, 1, 1, "FOLDER"},
    {"installdirregkey", Rule::InstallDirRegKey, 3, 3, "ROOT KEY VALUE"},
    {"iffileexists", Rule::IfFileExists, 2, 3, "PATH LABEL-IF-PRESENT [LABEL-IF-ABSENT]"},
    {"file", Rule::File, 1, 7, "SOURCE [DESTINATION], or SOURCE SUBFOLDER ROOT KEY VALUE MODE EXPECTED"},
    {"delete", Rule::Plain, 1, 1, "PATH"},
    {"writeregstr", Rule::WriteRegStr, 4, 4, "ROOT KEY NAME VALUE"},
    {"changelog", Rule::Changelog, 1, 2, "ENTRY [FILE]"},
    {"kzpupdate", Rule::KzpUpdate, 3, 3, "SOURCE PASSWORD PACKAGE"},
    {"rmdir", Rule::RmDir, 1, 2, "FOLDER [FLAG]"},
    {"createdirectory", Rule::Plain, 1, 1, "FOLDER"},
    {"createshortcut", Rule::Plain, 3, 4, "LINK TARGET ARGUMENTS [ICON]"},
    {"message", Rule::Plain, 1, 1, "TEXT"},
    {"messagebox", Rule::MessageBox, 2, 4, "TEXT CAPTION [LABEL-ON-OK] [LABEL-ON-CANCEL]"},
    {"copyfile", Rule::Plain, 2, 2, "SOURCE DESTINATION"},
    {"language", Rule::Language, 1, 1, "NAME"},
    {"failure", Rule::Failure, 0, 1, "[TEXT]"},
    {"pages", Rule::Pages, 1, 1, "NAME"},
    {"shortname", Rule::ShortName, 1, 1, "TITLE"},
    {"uninstallpages", Rule::UninstallPages, 1, 1, "NAME"},
    {"uninstalllanguage", Rule::Language, 1, 1, "NAME"},
    {"prefix", Rule::Prefix, 1, 1, "PREFIX"},
    {"uninstalllogload", Rule::Plain, 1, 2, "FOLDER [PREFIX]"},
    {"uninstalllogsave", Rule::Plain, 1, 2, "FOLDER [PREFIX]"},
    {"kzpofficial", Rule::KzpOfficial, 3, 3, "PACKAGE MARKER FLAG"},
    {"duplicateentry", Rule::DuplicateEntry, 3, 3, "PACKAGE ENTRY NEW-ENTRY"},
    {"writeregstr_url", Rule::Plain, 3, kAnyCount, "PROTOCOL ICON PROGRAM [ARGUMENT...]"},
    {"vfsupdate", Rule::VfsUpdate, 2, 3, "SOURCE ARCHIVE [FLAG]"},
    {"rename", Rule::Plain, 2, 2, "OLD NEW"},
    {"execute", Rule::Plain, 1, 2, "PROGRAM [ARGUMENTS]"},
    {"iffilecrc", Rule::IfFileCrc, 3, 4, "PATH CRC LABEL-IF-EQUAL [LABEL-IF-DIFFERENT]"},
    {"uninstallicon", Rule::UninstallIcon, 1, 1, "FILE"},
    {"uninstallfinaliser", Rule::UninstallFinaliser, 1, 1, "FILE"},
    {"privileges", Rule::Privileges, 1, 1, "user|admin"},
    {"version", Rule::ProductValue, 1, 1, "TEXT"},
    {"publisher", Rule::ProductValue, 1, 1, "TEXT"},
    {"url", Rule::ProductValue, 1, 1, "TEXT"},
};

bool SameKeyword(std::string_view lower, std::string_view written) {
  if (lower.size() != written.size()) return false;
  for (size_t i = 0; i < lower.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(written[i])) != lower[i]) return false;
  }
  return true;
}

}  // namespace

const KeywordRule* FindKeyword(std::string_view keyword) {
  for (const KeywordRule& rule : kKeywords) {
    if (SameKeyword(rule.keyword, keyword)) return &rule;
  }
  return nullptr;
}

std::vector<std::string_view> KeywordNames() {
  std::vector<std::string_view> names;
  for (const KeywordRule& rule : kKeywords) names.push_back(rule.keyword);
  return names;
}

bool CountFits(const KeywordRule& rule, size_t count) {
  if (rule.rule == Rule::File) return count == 1 || count == 2 || count == 7;
  return count >= static_cast<size_t>(rule.minParams) &&
         (rule.maxParams == kAnyCount || count <= static_cast<size_t>(rule.maxParams));
}

}  // namespace setup::setupc
