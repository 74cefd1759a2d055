#include "setupc/script_compiler.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <unordered_map>

#include "package/kzp_format.h"
#include "package/package_password_key.h"
#include "platform/codepage.h"
#include "script/command_list.h"
#include "script/commands/if_file_crc_command.h"
#include "script/registry_roots.h"
#include "setupc/administrator_lines.h"
#include "setupc/local_files.h"
#include "setupc/package_input.h"
#include "setupc/nearest_name.h"
#include "setupc/script_keywords.h"
#include "setupc/script_lexer.h"
#include "setupc/setup_files.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

constexpr size_t kMaxCount = 0xFFFF;  // lines, entries, bytes of a name or a parameter
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFu;
constexpr const char* kUninstallPrefix = "UNINSTALL_";
constexpr const char* kFinaliserEntry = "UNINSTALL_FINALISE.EXE";

const std::vector<std::string_view> kRootNames = {"HKLM", "HKCU", "HKCR", "HKU", "HKCC"};

bool IsRootName(const std::string& name) {
  const std::string lower = AsciiLower(name);
  return std::any_of(kRootNames.begin(), kRootNames.end(),
                     [&](std::string_view root) { return AsciiLower(root) == lower; });
}

// The script's lines in the code page. A script in UTF-8 (with or without a byte-order
// mark) is converted; other text is taken as code-page text already. Returns the line
// numbers of characters the code page cannot hold in bad.
std::vector<std::string> SplitScript(const Bytes& bytes, std::vector<size_t>& bad) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  const bool utf8 = Utf8ToUtf16(text).has_value();
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (utf8) {
      const std::u16string wide = *Utf8ToUtf16(line);
      std::optional<std::string> plain = platform::WideToCodePage(wide);
      if (!plain) bad.push_back(lines.size() + 1);
      line = plain ? std::move(*plain) : platform::WideToAnsi(wide);
    }
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

struct PageSetLine {
  size_t index;  // the script line
  std::string name;
  std::string prefix;  // "" or "UNINSTALL_"
};

class Compiler {
 public:
  Compiler(const std::string& scriptPath, CompiledScript& result, std::vector<Diagnostic>& diagnostics)
      : script_(scriptPath), folder_(FolderOf(scriptPath)), result_(result), diagnostics_(diagnostics) {
    RegisterCommands(commands_);
  }

  void Run() {
    const std::optional<Bytes> bytes = ReadWholeFile(script_);
    if (!bytes) {
      ErrorIn(script_, 0, KindOf(script_) == PathKind::Missing ? "no such file" : "cannot read the script");
      return;
    }
    std::vector<size_t> badLines;
    const std::vector<std::string> text = SplitScript(*bytes, badLines);
    for (size_t line : badLines) ErrorIn(script_, line, "a character the code page cannot hold");
    if (text.size() > kMaxCount) {
      ErrorIn(script_, kMaxCount + 1,
              "a script holds at most 65,535 lines, this one " + std::to_string(text.size()));
    }

    sources_.resize(text.size());
    lexed_.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      std::string error;
      lexed_[i] = LexLine(text[i], sources_[i], error);
      if (!lexed_[i]) Error(i, error);
    }
    CollectLabels();

    result_.info = TSetupInfoFile{};
    result_.info.UninstallExeName = "Uninstall.exe";
    for (size_t i = 0; i < sources_.size(); ++i) result_.lines.Add(CompileLine(i));
    for (const PageSetLine& pages : pageSets_) AddPageSet(pages);
    if (result_.hasFacts) AddProductFacts();
    if (result_.facts.PerUser) WarnAboutAdministratorLines();
    result_.wantsFinaliser =
        result_.info.CreateUninstaller == 1 && setupNames_.count(AsciiLower(kFinaliserEntry)) == 0;

    SortDiagnostics();
    if (!diagnostics_.empty()) return;

    result_.groups = groups_;
    result_.entries.clear();
    result_.entries.push_back(PlannedEntry{"SetupInfo", 0, {}, {}, 0});
    Bytes lines = result_.lines.Serialize();
    const uint64_t linesSize = lines.size();
    result_.entries.push_back(PlannedEntry{"CompiledLines", 0, {}, std::move(lines), linesSize});
    for (PlannedEntry& entry : setupFiles_) result_.entries.push_back(std::move(entry));
    for (PlannedEntry& entry : payload_) result_.entries.push_back(std::move(entry));
    EncodeSetupInfo(result_);
  }

 private:
  void ErrorIn(const std::string& file, size_t line, std::string message) {
    diagnostics_.push_back(Diagnostic{file, line, std::move(message)});
  }
  void Error(size_t index, std::string message) { ErrorIn(script_, index + 1, std::move(message)); }

  // The script's errors first, by line; then each other file's, in the order the
  // files were first reported, by line.
  void SortDiagnostics() {
    std::unordered_map<std::string, size_t> rank{{script_, 0}};
    for (const Diagnostic& d : diagnostics_) rank.emplace(d.file, rank.size());
    std::stable_sort(diagnostics_.begin(), diagnostics_.end(), [&](const Diagnostic& a, const Diagnostic& b) {
      const size_t ra = rank.at(a.file), rb = rank.at(b.file);
      return ra != rb ? ra < rb : a.line < b.line;
    });
  }

  void CollectLabels() {
    for (size_t i = 0; i < sources_.size(); ++i) {
      if (!lexed_[i] || sources_[i].kind != ScriptLine::Kind::Label) continue;
      const auto [it, added] = labels_.emplace(AsciiLower(sources_[i].label), i);
      if (!added) {
        Error(i, "label " + Quoted(sources_[i].label) + " is already defined at line " +
                     std::to_string(it->second + 1));
      }
    }
  }

  // A jump target in run-time form: the label's line index ("messagebox" counts from
  // 1, so it gets the line after the label); "-1" falls through.
  std::string Target(size_t index, const std::string& label, bool countsFromOne) {
    if (label == "-1") return "-1";
    const auto it = labels_.find(AsciiLower(label));
    if (it == labels_.end()) {
      Error(index, "unknown label " + Quoted(label) + Suggestion(label, LabelNames()));
      return "-1";
    }
    return std::to_string(it->second + (countsFromOne ? 1 : 0));
  }

  // The labels in script order, as their definitions spell them, for suggestions.
  const std::vector<std::string_view>& LabelNames() {
    if (labelNames_.empty()) {
      for (size_t i = 0; i < sources_.size(); ++i)
        if (lexed_[i] && sources_[i].kind == ScriptLine::Kind::Label) labelNames_.push_back(sources_[i].label);
    }
    return labelNames_;
  }

  // "; did you mean ...?" for the first diagnostics only: a script full of misspellings
  // must not cost a comparison with every label for each of them.
  std::string Suggestion(std::string_view word, const std::vector<std::string_view>& known) {
    if (suggestionsLeft_ == 0) return std::string();
    --suggestionsLeft_;
    return DidYouMean(word, known);
  }

  void CheckRoot(size_t index, const std::string& root) {
    if (!IsRootName(root))
      Error(index, "unknown registry root " + Quoted(root) + " (HKLM, HKCU, HKCR, HKU or HKCC)" +
                       Suggestion(root, kRootNames));
  }

  // The CRC of "iffilecrc": exactly 8 hexadecimal digits, written in upper case.
  std::string CrcText(size_t index, const std::string& text) {
    const std::optional<uint32_t> crc = TIfFileCrcCommand::ParseCrc(text);
    if (!crc) {
      Error(index, "the CRC " + Quoted(text) + " is not 8 hexadecimal digits (a CRC-32 such as 1A2B3C4D)");
      return text;
    }
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(*crc));
    return digits;
  }

  // A KZP record holds a name of at most 127 characters; the setup refuses a longer one.
  void CheckKzpName(size_t index, const std::string& name) {
    if (name.size() > kKzpMaxNameLength) {
      Error(index, "entry name " + Quoted(name) + " is longer than 127 characters, more than a KZP record holds");
    }
  }

  // A header that may stand once: false (after an error) when it stood before.
  bool Once(size_t index, const KeywordRule& rule) {
    const auto [it, added] = headers_.emplace(std::string(rule.keyword), index);
    if (!added) {
      Error(index, Quoted(rule.keyword) + " is already given at line " + std::to_string(it->second + 1));
    }
    return added;
  }

  // Counts an entry against the package's limit; false (after one error) past it.
  bool CountEntry(const std::string& file, size_t line, const std::string& name) {
    if (name.size() > kMaxCount) {
      ErrorIn(file, line,
              "the entry name " + Quoted(name.substr(0, 40) + "...") + " is " + std::to_string(name.size()) +
                  " bytes long (at most 65,535)");
      return false;
    }
    if (++entryCount_ == kMaxCount + 1) {
      ErrorIn(file, line, "the setup would hold more than 65,535 entries");
    }
    return entryCount_ <= kMaxCount;
  }

  // "ProductFacts", and its copy for the uninstaller when the setup builds one.
  void AddProductFacts() {
    const std::string text = FormatProductFacts(result_.facts);
    std::vector<std::string> names = {kProductFactsEntry};
    if (result_.info.CreateUninstaller == 1) names.push_back(std::string(kUninstallPrefix) + kProductFactsEntry);
    for (const std::string& name : names) {
      if (!setupNames_.emplace(AsciiLower(name), "(the product facts)").second) {
        ErrorIn(script_, 0, "the entry name " + Quoted(name) + " is taken already");
        continue;
      }
      if (!CountEntry(script_, 0, name)) return;
      setupFiles_.push_back(PlannedEntry{name, 0, {}, Bytes(text.begin(), text.end()), text.size()});
    }
  }

  // A per-user setup runs without administrator rights: lines that write where only
  // administrators may are reported (the run logs their failure as for any line).
  void WarnAboutAdministratorLines() {
    for (size_t i = 0; i < sources_.size(); ++i) {
      if (!lexed_[i] || sources_[i].kind != ScriptLine::Kind::Statement) continue;
      if (const std::optional<std::string> why = AdministratorOnly(sources_[i].keyword, sources_[i].params)) {
        result_.warnings.push_back(Diagnostic{script_, i + 1, *why + "; a per-user setup (\"privileges user\") "
                                                                      "runs without administrator rights"});
      }
    }
  }

  // A group-0 entry from a local file. The same name twice is an error unless it is
  // the same file (two pages may show one picture).
  void AddSetupFile(const std::string& file, size_t line, const std::string& name, const std::string& path) {
    const auto it = setupNames_.find(AsciiLower(name));
    if (it != setupNames_.end()) {
      if (it->second != path)
        ErrorIn(file, line, "the entry name " + Quoted(name) + " is taken already by " + it->second);
      return;
    }
    const std::optional<uint64_t> size = RegularFileSize(path);
    if (!size) {
      ErrorIn(file, line, "file " + path + " not found");
      return;
    }
    if (*size > kMaxFileSize) {
      ErrorIn(file, line, "file " + path + " is larger than 4 GiB");
      return;
    }
    setupNames_.emplace(AsciiLower(name), path);
    if (CountEntry(file, line, name)) setupFiles_.push_back(PlannedEntry{name, 0, path, {}, *size});
  }

  // The next group, from a folder (its files, recursively) or a single file. Returns
  // the group number, which the line carries as its last parameter.
  std::string AddGroup(size_t index, const std::string& source) {
    const auto group = static_cast<uint16_t>(std::min<size_t>(++groups_, kMaxCount));
    const std::string path = ResolvePath(folder_, source);
    std::vector<FolderFile> files;
    switch (KindOf(path)) {
      case PathKind::Folder:
        if (std::string error = ListFolderFiles(path, files); !error.empty()) {
          Error(index, error);
          return std::to_string(group);
        }
        if (files.empty()) Error(index, "source folder " + path + " holds no files");
        break;
      case PathKind::File: {
        std::optional<std::string> name = ArgumentToAnsi(FileNameOf(path));
        if (!name) name = FileNameOf(path);
        files.push_back(FolderFile{*name, path, RegularFileSize(path).value_or(0)});
        break;
      }
      default:
        Error(index, "source folder " + path + " not found");
    }
    for (FolderFile& file : files) {
      if (file.size > kMaxFileSize) {
        Error(index, "file " + file.path + " is larger than 4 GiB");
      } else if (CountEntry(script_, index + 1, file.name)) {
        payload_.push_back(PlannedEntry{std::move(file.name), group, std::move(file.path), {}, file.size});
      }
    }
    return std::to_string(group);
  }

  void AddLanguage(size_t index, const std::string& name, const std::string& prefix) {
    const std::string path = ResolvePath(folder_, "languages/" + name + ".txt");
    if (CheckLanguageFile(path, script_, index + 1, diagnostics_)) {
      AddSetupFile(script_, index + 1, prefix + "LANGUAGE-" + name, path);
    }
  }

  void AddPageSet(const PageSetLine& pages) {
    const std::string folder = ResolvePath(folder_, "pages/" + pages.name);
    for (const NamedFile& file :
         GatherPageSet(folder, script_, pages.index + 1, result_.info.Changelog, diagnostics_, result_.warnings)) {
      AddSetupFile(file.namedIn, file.line, pages.prefix + file.name, file.path);
    }
  }

  // The record of one source line; errors are collected, and a line in error still
  // takes its place.
  TCompLine CompileLine(size_t index) {
    TCompLine record;
    const ScriptLine& source = sources_[index];
    if (!lexed_[index] || source.kind != ScriptLine::Kind::Statement) return record;
    const KeywordRule* rule = FindKeyword(source.keyword);
    if (rule == nullptr) {
      Error(index, "unknown keyword " + Quoted(source.keyword) +
                       (!source.keyword.empty() && source.keyword.back() == ':'
                            ? " (a label stands alone on its line)"
                            : Suggestion(source.keyword, keywordNames_)));
      return record;
    }
    const std::vector<std::string>& p = source.params;
    if (!CountFits(*rule, p.size())) {
      Error(index, Quoted(rule->keyword) + " takes " + std::string(rule->synopsis) + "; got " +
                       CountOf(p.size(), "parameter", "parameters"));
      return record;
    }
    for (size_t k = 0; k < p.size(); ++k) {
      if (p[k].size() > kMaxCount) {
        Error(index, "parameter " + std::to_string(k + 1) + " is " + std::to_string(p[k].size()) +
                         " bytes long (at most 65,535)");
        return record;
      }
    }
    std::vector<std::string> params = CompileParams(index, *rule, p);
    const int32_t id = commands_.IdByKeyword(rule->keyword);
    if (id > 0) {
      record.CommandId = id;
      record.LineIndex = static_cast<int32_t>(index);
      record.Params = std::move(params);
    }
    return record;
  }

  std::vector<std::string> CompileParams(size_t index, const KeywordRule& rule,
                                         const std::vector<std::string>& p) {
    TSetupInfoFile& info = result_.info;
    const size_t n = p.size();
    switch (rule.rule) {
      case Rule::Plain:
        return p;
      case Rule::WriteRegStr:
        CheckRoot(index, p[0]);
        return p;
      case Rule::Goto:
        return {Target(index, p[0], false)};
      case Rule::IfFileExists:
        return {p[0], Target(index, p[1], false), n > 2 ? Target(index, p[2], false) : "-1"};
      case Rule::IfFileCrc:
        return {p[0], CrcText(index, p[1]), Target(index, p[2], false), n > 3 ? Target(index, p[3], false) : "-1"};
      case Rule::MessageBox:
        return {p[0], p[1], n > 2 ? Target(index, p[2], true) : "-1",
                n > 3 ? Target(index, p[3], true) : "-1"};
      case Rule::File: {
        if (n == 7) CheckRoot(index, p[2]);
        std::vector<std::string> params = p;
        params.push_back(AddGroup(index, p[0]));
        return params;
      }
      case Rule::KzpUpdate: {
        // The package's signature and records have room for so much and no more.
        if (p[1].size() > kKzpMaxPasswordLength) {
          Error(index, "the password is " + std::to_string(p[1].size()) +
                           " characters long; a KZP package holds at most " +
                           std::to_string(kKzpMaxPasswordLength));
        }
        const size_t first = payload_.size();
        std::string group = AddGroup(index, p[0]);
        for (size_t k = first; k < payload_.size(); ++k) CheckKzpName(index, payload_[k].name);
        return {p[0], EncodeString(PackagePasswordKey, p[1]), p[2], std::move(group)};
      }
      case Rule::KzpOfficial:
        return {p[0], EncodeString(PackagePasswordKey, p[1]), p[2]};
      case Rule::DuplicateEntry:
        CheckKzpName(index, p[1]);
        CheckKzpName(index, p[2]);
        return p;
      case Rule::VfsUpdate: {
        std::vector<std::string> params = p;
        params.push_back(AddGroup(index, p[0]));
        return params;
      }
      case Rule::RmDir:
        return {p[0], n > 1 ? p[1] : "1"};
      case Rule::Failure:
        return {n > 0 ? p[0] : ""};
      case Rule::Language:
        AddLanguage(index, p[0], rule.keyword == "uninstalllanguage" ? kUninstallPrefix : "");
        return p;
      case Rule::Name:
        if (Once(index, rule)) info.SetupName = info.ShortName = p[0];
        return p;
      case Rule::ShortName:
        if (Once(index, rule)) info.ShortName = p[0];
        return p;
      case Rule::OutFile:
        if (Once(index, rule)) {
          info.SetupExeName = p[0];
          result_.hasOutFile = true;
        }
        return p;
      case Rule::InstallDir:
        if (Once(index, rule)) info.InstallDir = p[0];
        return p;
      case Rule::InstallDirRegKey: {
        CheckRoot(index, p[0]);
        TInstallDirRegKey& slot =
            info.InstallDirRegKey[std::min<size_t>(regKeys_++, info.InstallDirRegKey.size() - 1)];
        slot = TInstallDirRegKey{RootIndexFromName(p[0]), p[1], p[2]};
        return p;
      }
      case Rule::Changelog:
        if (Once(index, rule)) {
          info.Changelog = p[0];
          AddSetupFile(script_, index + 1, p[0], ResolvePath(folder_, n > 1 ? p[1] : p[0]));
        }
        return p;
      case Rule::Pages:
        if (Once(index, rule)) {
          info.PagesName = p[0];
          pageSets_.push_back({index, p[0], ""});
        }
        return p;
      case Rule::UninstallPages:
        if (Once(index, rule)) {
          info.UninstallPagesName = p[0];
          info.CreateUninstaller = 1;
          pageSets_.push_back({index, p[0], kUninstallPrefix});
        }
        return p;
      case Rule::Prefix:
        if (p[0].size() > kMaxCount - 14) {
          Error(index, "the prefix is too long for the uninstaller's file name");
        } else if (Once(index, rule)) {
          info.UninstallPrefix = p[0] + "_";
          info.UninstallExeName = p[0] + "_Uninstall.exe";
        }
        return p;
      case Rule::UninstallIcon:
        if (Once(index, rule))
          AddSetupFile(script_, index + 1, "UNINSTALL_ICON.ICO", ResolvePath(folder_, p[0]));
        return p;
      case Rule::UninstallFinaliser:
        if (Once(index, rule)) AddSetupFile(script_, index + 1, kFinaliserEntry, ResolvePath(folder_, p[0]));
        return p;
      case Rule::Privileges: {
        const std::string level = AsciiLower(p[0]);
        if (level != "user" && level != "admin") {
          Error(index, "\"privileges\" takes user or admin; got " + Quoted(p[0]));
        } else if (Once(index, rule)) {
          result_.facts.PerUser = level == "user";
          result_.hasFacts = true;
        }
        return p;
      }
      case Rule::ProductValue:
        if (Once(index, rule)) {
          std::string& value = rule.keyword == "version"     ? result_.facts.Version
                               : rule.keyword == "publisher" ? result_.facts.Publisher
                                                             : result_.facts.Url;
          value = p[0];
          result_.hasFacts = true;
        }
        return p;
    }
    return p;
  }

  const std::string script_;
  const std::string folder_;
  CompiledScript& result_;
  std::vector<Diagnostic>& diagnostics_;
  TCommandList commands_;
  std::vector<ScriptLine> sources_;
  std::vector<bool> lexed_;
  std::unordered_map<std::string, size_t> labels_;           // lower-case name -> line index
  std::vector<std::string_view> labelNames_;                 // filled on the first unknown label
  const std::vector<std::string_view> keywordNames_ = KeywordNames();
  size_t suggestionsLeft_ = 100;
  std::map<std::string, size_t> headers_;                    // keyword -> line index
  std::unordered_map<std::string, std::string> setupNames_;  // lower-case group-0 name -> path
  std::vector<PageSetLine> pageSets_;
  std::vector<PlannedEntry> setupFiles_;  // group 0 after "SetupInfo" and "CompiledLines"
  std::vector<PlannedEntry> payload_;     // groups 1, 2, ...
  size_t groups_ = 0;
  size_t regKeys_ = 0;
  size_t entryCount_ = 2;  // "SetupInfo" and "CompiledLines"
};

}  // namespace

void EncodeSetupInfo(CompiledScript& result) {
  if (result.entries.empty()) return;
  result.entries[0].content = result.info.Serialize();
  result.entries[0].size = result.entries[0].content.size();
}

bool AddFinaliserEntry(CompiledScript& result, const std::string& path, uint64_t size) {
  if (result.entries.size() >= kMaxCount) return false;
  const auto payload = std::find_if(result.entries.begin(), result.entries.end(),
                                    [](const PlannedEntry& entry) { return entry.group != 0; });
  result.entries.insert(payload, PlannedEntry{kFinaliserEntry, 0, path, {}, size});
  return true;
}

bool CompileScript(const std::string& scriptPath, CompiledScript& result,
                   std::vector<Diagnostic>& diagnostics) {
  const size_t before = diagnostics.size();
  result = CompiledScript{};
  Compiler(scriptPath, result, diagnostics).Run();
  return diagnostics.size() == before;
}

}  // namespace setup::setupc
