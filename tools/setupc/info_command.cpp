// setupc info [--json] PACKAGE: the setup information, the compiled script, the space
// figures and the languages of a setup, read as the setup reads them at start-up.

#include <iomanip>
#include <ostream>
#include <sstream>

#include "script/number_text.h"
#include "script/registry_roots.h"
#include "setupc/commands.h"
#include "setupc/json_output.h"
#include "setupc/package_input.h"
#include "setupc/setup_input.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

struct LanguageEntry {
  std::string entry;  // the entry's name
  const TLanguage* language;
};

// "-" when the id names no registered command (no command, or a damaged or newer script).
std::string KeywordOf(const SetupContext& context, const TCompLine& line) {
  const TCommandClass* command = context.Commands.CommandById(line.CommandId);
  return command != nullptr ? command->Name : "-";
}

std::string LocaleText(uint16_t locale) {
  std::ostringstream text;
  text << std::hex << std::setw(4) << std::setfill('0') << locale;
  return text.str();
}

std::string Text(std::string_view ansi) { return OneLine(AnsiToUtf8(ansi)); }

void WriteHuman(const SetupContext& context, const std::vector<LanguageEntry>& languages, std::ostream& out) {
  const TSetupInfoFile& info = context.SetupInfo;
  auto field = [&out](const std::string& name, const std::string& value) {
    const std::string padding(name.size() < 20 ? 20 - name.size() : 1, ' ');
    out << "  " << (value.empty() ? name : name + padding + value) << "\n";
  };
  out << "Setup information\n";
  field("SetupName", Text(info.SetupName));
  field("ShortName", Text(info.ShortName));
  field("SetupExeName", Text(info.SetupExeName));
  field("UninstallExeName", Text(info.UninstallExeName));
  field("UninstallPrefix", Text(info.UninstallPrefix));
  field("InstallDir", Text(info.InstallDir));
  field("Changelog", Text(info.Changelog));
  for (size_t i = 0; i < info.InstallDirRegKey.size(); ++i) {
    const TInstallDirRegKey& slot = info.InstallDirRegKey[i];
    field("InstallDirRegKey " + std::to_string(i + 1),
          std::to_string(slot.Root) + " " + RootDisplayName(slot.Root) + "  Path \"" + Text(slot.Path) +
              "\"  Key \"" + Text(slot.Key) + "\"");
  }
  field("PagesName", Text(info.PagesName));
  field("UninstallPagesName", Text(info.UninstallPagesName));
  field("IsUninstaller", std::to_string(info.IsUninstaller));
  field("CreateUninstaller", std::to_string(info.CreateUninstaller));
  const TProductFacts& facts = context.Facts;
  out << "\nProduct\n";
  field("Privileges", facts.PerUser ? "user (installs for the current user, without elevation)"
                                     : "admin (installs for the machine, elevated)");
  field("Version", Text(facts.Version));
  field("Publisher", Text(facts.Publisher));
  field("Url", Text(facts.Url));

  const auto& lines = context.CompiledLines.Lines();
  out << "\nCompiled lines: " << lines.size() << "\n";
  if (!lines.empty()) {
    out << std::right << std::setw(7) << "Index"
        << "  " << std::setw(11) << "Command"
        << "  " << std::left << std::setw(18) << "Keyword"
        << "Parameters\n";
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    const TCompLine& line = lines[i];
    out << std::right << std::setw(7) << i << "  " << std::setw(11) << line.CommandId << "  ";
    if (line.Params.empty()) {
      out << KeywordOf(context, line) << "\n";
      continue;
    }
    out << std::left << std::setw(18) << KeywordOf(context, line);
    const char* separator = "";
    for (const std::string& param : line.Params) {
      out << separator << "\"" << Text(param) << "\"";
      separator = " ";
    }
    out << "\n";
  }

  out << "\nGroup kinds:";
  for (uint8_t kind : context.GroupKinds) out << " " << static_cast<int>(kind);
  out << "\nSpace required: " << context.Variables.RequiredSpace << " bytes ("
      << context.Variables.RequiredSpaceText << ")\n";

  out << "\nLanguages: " << languages.size() << "\n";
  for (const LanguageEntry& entry : languages) {
    const TLanguage& language = *entry.language;
    out << "  " << Text(entry.entry) << "  \"" << OneLine(Utf16ToUtf8(language.Name())) << "\"  identifiers";
    for (uint16_t locale : language.Locales()) out << " " << LocaleText(locale);
    out << "  " << CountOf(language.Strings().size(), "text", "texts") << "\n";
  }
}

void WriteInfoJson(const SetupContext& context, const std::vector<LanguageEntry>& languages, std::ostream& out) {
  const TSetupInfoFile& info = context.SetupInfo;
  Json slots = Json::array();
  for (const TInstallDirRegKey& slot : info.InstallDirRegKey) {
    slots.push_back({{"root", static_cast<int>(slot.Root)},
                     {"root_name", AnsiJson(RootDisplayName(slot.Root))},
                     {"path", AnsiJson(slot.Path)},
                     {"key", AnsiJson(slot.Key)}});
  }
  const Json setupInfo = {{"setup_name", AnsiJson(info.SetupName)},
                          {"short_name", AnsiJson(info.ShortName)},
                          {"setup_exe_name", AnsiJson(info.SetupExeName)},
                          {"uninstall_exe_name", AnsiJson(info.UninstallExeName)},
                          {"uninstall_prefix", AnsiJson(info.UninstallPrefix)},
                          {"install_dir", AnsiJson(info.InstallDir)},
                          {"changelog", AnsiJson(info.Changelog)},
                          {"install_dir_reg_key", std::move(slots)},
                          {"pages_name", AnsiJson(info.PagesName)},
                          {"uninstall_pages_name", AnsiJson(info.UninstallPagesName)},
                          {"is_uninstaller", static_cast<int>(info.IsUninstaller)},
                          {"create_uninstaller", static_cast<int>(info.CreateUninstaller)}};

  Json lines = Json::array();
  const auto& compiled = context.CompiledLines.Lines();
  for (size_t i = 0; i < compiled.size(); ++i) {
    const TCompLine& line = compiled[i];
    Json params = Json::array();
    for (const std::string& param : line.Params) params.push_back(AnsiJson(param));
    lines.push_back({{"index", i},
                     {"command_id", line.CommandId},
                     {"keyword", AnsiJson(KeywordOf(context, line))},
                     {"params", std::move(params)}});
  }

  Json groupKinds = Json::array();
  for (const auto kind : context.GroupKinds) groupKinds.push_back(static_cast<int>(kind));

  Json languageList = Json::array();
  for (const LanguageEntry& entry : languages) {
    const TLanguage& language = *entry.language;
    languageList.push_back({{"entry", AnsiJson(entry.entry)},
                            {"name", WideJson(language.Name())},
                            {"locales", language.Locales()},
                            {"texts", language.Strings().size()}});
  }

  const Json product = {{"privileges", context.Facts.PerUser ? "user" : "admin"},
                        {"version", AnsiJson(context.Facts.Version)},
                        {"publisher", AnsiJson(context.Facts.Publisher)},
                        {"url", AnsiJson(context.Facts.Url)}};
  WriteJson({{"setup_info", setupInfo},
             {"product", product},
             {"lines", std::move(lines)},
             {"group_kinds", std::move(groupKinds)},
             {"required_space", context.Variables.RequiredSpace},
             {"required_space_text", AnsiJson(context.Variables.RequiredSpaceText)},
             {"languages", std::move(languageList)}},
            out);
}

}  // namespace

int InfoCommand(const InfoOptions& options, std::ostream& out, std::ostream& err) {
  SetupContext context;
  if (const int code = LoadSetup(context, options.package, err); code != kExitOk) return code;

  // Every language entry of group 0, in table order, as the start-up scan takes them.
  std::vector<size_t> indexes;
  context.Package.ForEachInGroup(0, [&](size_t index) {
    if (IsLanguageEntry(context.Package.Entries()[index].Name)) indexes.push_back(index);
  });
  for (size_t index : indexes) {
    if (!AddLanguage(context, index, err)) return kExitFailed;
  }
  // The set is complete: pointers into it stay valid from here on.
  std::vector<LanguageEntry> languages;
  for (size_t i = 0; i < indexes.size(); ++i) {
    languages.push_back({context.Package.Entries()[indexes[i]].Name, &context.Languages.Languages()[i]});
  }

  if (options.json) {
    WriteInfoJson(context, languages, out);
  } else {
    WriteHuman(context, languages, out);
  }
  return kExitOk;
}

}  // namespace setup::setupc
