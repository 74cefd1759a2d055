#include "setupc/init_skeleton.h"

#include <algorithm>

#include "setupc/init_templates.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

constexpr std::string_view kScript = "setup.txt";
constexpr std::string_view kLanguageFolder = "languages/";
constexpr std::string_view kUninstallPrefix = "uninstall-";
constexpr std::string_view kLanguageExtension = ".txt";

// The language a template file holds texts of ("english" for both
// languages/english.txt and languages/uninstall-english.txt); empty for other files.
std::string LanguageOf(std::string_view path) {
  if (!path.starts_with(kLanguageFolder) || !path.ends_with(kLanguageExtension)) return {};
  std::string_view name = path.substr(kLanguageFolder.size());
  name.remove_suffix(kLanguageExtension.size());
  if (name.starts_with(kUninstallPrefix)) name.remove_prefix(kUninstallPrefix.size());
  return std::string(name);
}

bool HasTemplate(const std::string& path) {
  const auto files = InitTemplateFiles();
  return std::any_of(files.begin(), files.end(), [&](const EmbeddedFile& f) { return path == f.name; });
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

// One script line a language: "KEYWORD NAME" with the file name's prefix.
std::string LanguageLines(std::string_view keyword, std::string_view prefix, const std::vector<std::string>& languages) {
  std::string lines;
  for (const std::string& language : languages) {
    if (!lines.empty()) lines += "\n";
    lines.append(keyword).append(" ").append(prefix).append(language);
  }
  return lines;
}

}  // namespace

std::vector<std::string> SkeletonLanguages() {
  std::vector<std::string> languages;
  for (const EmbeddedFile& file : InitTemplateFiles()) {
    const std::string path = file.name;
    const std::string language = LanguageOf(path);
    if (language.empty() || path.find(kUninstallPrefix) != std::string::npos) continue;
    const std::string uninstaller =
        std::string(kLanguageFolder) + std::string(kUninstallPrefix) + language + std::string(kLanguageExtension);
    if (HasTemplate(uninstaller)) languages.push_back(language);
  }
  return languages;
}

std::string ShortTitleOf(std::string_view name) {
  const size_t blank = name.find_last_of(' ');
  if (blank == std::string_view::npos) return std::string(name);
  std::string_view last = name.substr(blank + 1);
  if (!last.empty() && (last[0] == 'v' || last[0] == 'V')) last.remove_prefix(1);
  const bool version = !last.empty() && last[0] >= '0' && last[0] <= '9';
  std::string_view rest = version ? name.substr(0, blank) : name;
  while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
  return std::string(rest.empty() ? name : rest);
}

std::vector<SkeletonFile> SkeletonFiles(std::string_view name, const std::vector<std::string>& languages) {
  std::vector<SkeletonFile> files;
  for (const EmbeddedFile& file : InitTemplateFiles()) {
    const std::string path = file.name;
    const std::string language = LanguageOf(path);
    if (!language.empty() && std::find(languages.begin(), languages.end(), language) == languages.end()) continue;
    SkeletonFile out{path, std::vector<uint8_t>(file.bytes.begin(), file.bytes.end())};
    if (path == kScript) {
      std::string script(out.bytes.begin(), out.bytes.end());
      ReplaceAll(script, "@NAME@", AnsiToUtf8(name));
      ReplaceAll(script, "@SHORTNAME@", AnsiToUtf8(ShortTitleOf(name)));
      ReplaceAll(script, "@LANGUAGES@", LanguageLines("language", "", languages));
      ReplaceAll(script, "@UNINSTALL_LANGUAGES@", LanguageLines("uninstalllanguage", kUninstallPrefix, languages));
      out.bytes.assign(script.begin(), script.end());
    }
    files.push_back(std::move(out));
  }
  return files;
}

}  // namespace setup::setupc
