#include "script/path_variables.h"

#include "base/text_replace.h"
#include "platform/codepage.h"
#include "platform/shell.h"
#include "script/number_text.h"

namespace setup {

void TPathVariables::SetRequiredSpace(int64_t bytes) {
  RequiredSpace = bytes;
  RequiredSpaceText = FormatSize(bytes);
}

void TPathVariables::SetFreeSpace(int64_t bytes) {
  FreeSpace = bytes;
  FreeSpaceText = bytes == kUnknownFreeSpace ? std::string(kUnknownFreeSpaceText) : FormatSize(bytes);
}

namespace {

template <typename Char>
std::basic_string<Char> AddBackslashTo(std::basic_string_view<Char> path) {
  std::basic_string<Char> out(path);
  if (!out.empty() && out.back() != Char('\\')) out += Char('\\');
  return out;
}

// A value that names no folder: empty, or the lone "\" of a failed shell lookup.
bool NamesNoFolder(const std::string& value) { return value.empty() || value == "\\"; }

}  // namespace

std::string AddBackslash(std::string_view path) { return AddBackslashTo(path); }
std::u16string AddBackslash(std::u16string_view path) { return AddBackslashTo(path); }

std::string AppDataFolder() { return AddBackslash(platform::SpecialFolderPath(platform::kFolderAppData)); }

std::u16string ExpandEnvironment(std::u16string_view text, const TPathVariables& vars) {
  std::u16string out(text);
  for (const auto& [name, value] : vars.Environment) {
    // Without a "%" nothing can match any more (and nothing did to begin with).
    if (out.find(u'%') == std::u16string::npos) break;
    if (name.empty()) continue;  // "%%" is no reference
    std::u16string reference(1, u'%');
    reference.append(platform::AnsiToWide(name)).push_back(u'%');
    out = ReplaceAll(out, reference, platform::AnsiToWide(value));
  }
  return out;
}

std::u16string ExpandVariables(std::u16string_view text, const TSetupInfoFile& info, const TPathVariables& vars) {
  const std::u16string installDir = platform::AnsiToWide(info.InstallDir);
  std::u16string out = ReplaceAll(text, u"$INSTDIR", installDir);
  out = ReplaceAll(out, u"$INSTALLDIR", installDir);
  out = ReplaceAll(out, u"$SMPROGRAMS", platform::AnsiToWide(vars.SmPrograms));
  out = ReplaceAll(out, u"$PROGRAMFILES", platform::AnsiToWide(vars.ProgramFiles));
  // The shell is asked only when the variable is used.
  if (out.find(u'$') != std::u16string::npos) {
    out = ReplaceAll(out, u"$APPDATA", platform::AnsiToWide(AppDataFolder()));
  }
  out = ReplaceAll(out, u"$DESKTOP", platform::AnsiToWide(vars.Desktop));
  out = ReplaceAll(out, u"$CDDRIVE", platform::AnsiToWide(vars.CdDrive));
  out = ReplaceAll(out, u"$LANGUAGESELECTION", platform::AnsiToWide(vars.LanguageSelection));
  out = ExpandEnvironment(out, vars);
  return ReplaceAll(out, u"\\\\", u"\\");
}

std::string ExpandVariables(std::string_view text, const TSetupInfoFile& info, const TPathVariables& vars) {
  return platform::WideToAnsi(ExpandVariables(std::u16string_view(platform::AnsiToWide(text)), info, vars));
}

namespace {

std::u16string ContractWith(std::u16string_view path, const TSetupInfoFile& info, const TPathVariables& vars,
                            const std::string& appData) {
  const std::pair<const std::string&, std::u16string_view> steps[] = {
      {info.InstallDir, u"$INSTDIR"},     {vars.SmPrograms, u"$SMPROGRAMS"},
      {vars.ProgramFiles, u"$PROGRAMFILES"}, {appData, u"$APPDATA"},
      {vars.Desktop, u"$DESKTOP"},
  };
  std::u16string out(path);
  for (const auto& [value, name] : steps) {
    if (NamesNoFolder(value)) continue;
    out = ReplaceAll(out, platform::AnsiToWide(value), name);
  }
  return ExpandEnvironment(out, vars);
}

}  // namespace

std::u16string ContractVariables(std::u16string_view path, const TSetupInfoFile& info, const TPathVariables& vars) {
  return ContractWith(path, info, vars, AppDataFolder());
}

std::string ContractVariables(std::string_view path, const TSetupInfoFile& info, const TPathVariables& vars) {
  return ContractVariables(path, info, vars, AppDataFolder());
}

std::string ContractVariables(std::string_view path, const TSetupInfoFile& info, const TPathVariables& vars,
                              const std::string& appData) {
  return platform::WideToAnsi(ContractWith(platform::AnsiToWide(path), info, vars, appData));
}

}  // namespace setup
