// Command-line parsing and dispatch of setupc: the commands, their options and their
// help are declared once, with CLI11, which parses and explains them.

#include <CLI/CLI.hpp>

#include <algorithm>
#include <exception>
#include <functional>
#include <ostream>
#include <thread>
#include <utility>

#include "platform/dialogs.h"
#include "setupc/commands.h"
#include "setupc/entry_argument.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

ApplyRunner applyRunner = nullptr;  // set by the program that links setupc_apply
DiffRunner diffRunner = nullptr;    // set by the program that links setupc_diff

constexpr const char* kVersion = SETUPC_VERSION;

constexpr const char* kFooter =
    "info, log and text write UTF-8.\n"
    "\n"
    "exit codes: 0 success; 1 the command failed (an entry failed or was refused,\n"
    "a file could not be read or written, a setup file is missing or damaged, a log\n"
    "ends early, a script has errors); 2 bad arguments, or no readable package, log\n"
    "or script.";

// A file name option must name something ("--stub=" is a slip, not the default).
const CLI::Validator kFileName(
    [](const std::string& value) { return value.empty() ? std::string("needs a file name") : std::string(); },
    "FILE");

CLI::App* Selected(CLI::App& app);

// Every command with its options, bound to the option records the commands take. A
// command's run checks what CLI11 cannot (number forms) and calls the command.
class CommandLine {
 public:
  CommandLine();

  // Parses and runs; usage errors are reported on err with exit code 2.
  int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
  std::string Help() const { return app_.help(); }

 private:
  CLI::App* Command(const std::string& name, const std::string& description, std::function<int()> run);
  void AddPackageCommands();
  void AddAuthoringCommands();
  void AddKzpCommands();
  void AddVfsCommands();
  void AddDiffCommand();

  CLI::App app_{"setupc: compiles install scripts into setups, and builds, lists, verifies and extracts\n"
                "packages, KZP packages and VFS archives.",
                "setupc"};
  std::vector<std::pair<CLI::App*, std::function<int()>>> runs_;
  std::ostream* out_ = nullptr;
  std::ostream* err_ = nullptr;
  std::string usageError_;  // set by a run that refuses a value

  PackOptions pack_;
  ListOptions list_;
  VerifyOptions verify_;
  ExtractOptions extract_;
  std::string extractGroup_;
  CLI::Option* extractGroupOption_ = nullptr;
  std::string vfsFirst_, vfsSecond_;  // an action's one or two arguments
  InfoOptions info_;
  LogOptions log_;
  WingetOptions winget_;
  TextOptions text_;
  CompileOptions compile_;
  InitOptions init_;
  ApplyOptions apply_;
  KzpOptions kzp_;
  VfsOptions vfs_;
  DiffOptions diff_;
  std::string diffSources_, diffName_, diffLogPrefix_, diffInstallDir_;
};

CommandLine::CommandLine() {
  app_.set_version_flag("--version", kVersion, "Show the version and exit");
  app_.set_help_flag("-h,--help", "Show this help, or a command's with COMMAND --help");
  app_.require_subcommand(1);
  app_.get_formatter()->column_width(36);
  AddAuthoringCommands();
  AddPackageCommands();
  AddKzpCommands();
  AddVfsCommands();
  AddDiffCommand();
  app_.footer(kFooter);  // after the commands: theirs would copy it
}

CLI::App* CommandLine::Command(const std::string& name, const std::string& description, std::function<int()> run) {
  CLI::App* command = app_.add_subcommand(name, description);
  command->set_help_flag("-h,--help", "Show this command's help");
  runs_.emplace_back(command, std::move(run));
  return command;
}

void CommandLine::AddAuthoringCommands() {
  CLI::App* compile = Command(
      "compile",
      "Compile an install script and the files it names into a setup: a copy of the stub with the "
      "package appended",
      [this] {
        compile_.progress = IsTerminal(*err_);
        return CompileCommand(compile_, *out_, *err_);
      });
  compile->add_option("SCRIPT", compile_.script, "The install script")->required();
  compile->add_option("-o,--output", compile_.output, "The setup to write (default: the script's \"outfile\")")
      ->check(kFileName);
  compile->add_option("--stub", compile_.stub, "The stub (default: $SETUPC_STUB, else stub.exe beside setupc)")
      ->check(kFileName);
  compile
      ->add_option("--finaliser", compile_.finaliser,
                   "The finaliser a setup with an uninstaller carries unless the script names one "
                   "(default: finalise.exe beside the stub)")
      ->check(kFileName);
  compile_.jobs = std::max(1u, std::thread::hardware_concurrency());
  compile->add_option("--jobs", compile_.jobs, "Compressing threads (default: one per processor)")
      ->check(CLI::Range(1u, 64u));

  CLI::App* init = Command(
      "init",
      "Write a new product into DIR (new or empty): script, languages, pages, payload; it compiles "
      "into a working setup as it is",
      [this] {
        // "english,,german" and a trailing comma are slips, not an empty language.
        std::erase(init_.languages, std::string());
        return InitCommand(init_, *out_, *err_);
      });
  init->add_option("DIR", init_.folder, "The folder to write into")->required();
  init->add_option("--name", init_.name, "The product's name (default: \"My Product 1.0\")");
  init->add_option("--languages", init_.languages,
                   "english, german or both, comma-separated, the wizard's first choice first "
                   "(default: english)")
      ->delimiter(',');

  CLI::App* apply = Command(
      "apply",
      "Run SETUP as the stub does with /S, with DIR as its installation folder; system folders, the "
      "registry and started programs stay in a sandbox; report what it did. Exit code: the stub's",
      [this] {
        if (applyRunner == nullptr) {
          ReportError(*err_, "apply is not part of this program");
          return int{kExitUsage};
        }
        return applyRunner(apply_, *out_, *err_);
      });
  apply->add_option("SETUP", apply_.setup, "The setup")->required();
  apply->add_option("DIR", apply_.folder, "The installation folder (created when missing)")->required();
  apply->add_flag("--json", apply_.json, "Write JSON");

  CLI::App* pack = Command("pack", "Write a package; with --host, appended to a copy of FILE",
                           [this] { return PackCommand(pack_, *out_, *err_); });
  pack->add_option("OUT", pack_.output, "The package to write")->required();
  pack->add_option("ENTRY", pack_.entries,
                   "GROUP:NAME=PATH: GROUP 0 to 65535, NAME the entry's name (folders separated by \"\\\"), "
                   "PATH the file to store");
  pack->add_option("--host", pack_.host, "A file the package is appended to")->check(kFileName);
}

void CommandLine::AddPackageCommands() {
  CLI::App* list = Command("list", "Show each entry's index, group, size, stored size, CRC, offset and name",
                           [this] { return ListCommand(list_, *out_, *err_); });
  list->add_option("PACKAGE", list_.package, "A setup or a package")->required();
  list->add_flag("--json", list_.json, "Write JSON");

  CLI::App* verify = Command("verify", "Check every entry as the setup does at start-up",
                             [this] { return VerifyCommand(verify_, *out_, *err_); });
  verify->add_option("PACKAGE", verify_.package, "A setup or a package")->required();

  CLI::App* extract = Command("extract", "Write each entry to DIR/GROUP/NAME", [this] {
    if (extractGroupOption_->count() > 0) {
      extract_.group = ParseGroup(extractGroup_);
      if (!extract_.group) {
        usageError_ = "--group must be a decimal number from 0 to 65535";
        return int{kExitUsage};
      }
    }
    return ExtractCommand(extract_, *out_, *err_);
  });
  extract->add_option("PACKAGE", extract_.package, "A setup or a package")->required();
  extract->add_option("DIR", extract_.folder, "The folder to write into")->required();
  extractGroupOption_ = extract->add_option("--group", extractGroup_, "Only the entries of group G")->type_name("G");

  CLI::App* info = Command("info",
                           "Show a setup's information record, compiled script, group kinds, space required and "
                           "languages",
                           [this] { return InfoCommand(info_, *out_, *err_); });
  info->add_option("PACKAGE", info_.package, "A setup")->required();
  info->add_flag("--json", info_.json, "Write JSON");

  CLI::App* log = Command("log",
                          "Show the files, registry entries and folders an install log records, "
                          "and its SHA-256",
                          [this] { return LogCommand(log_, *out_, *err_); });
  log->add_option("FILE", log_.file, "An install log")->required();
  log->add_flag("--json", log_.json, "Write JSON");

  CLI::App* winget = Command("winget",
                             "Write the package manager's manifests for a setup: silent switches, exit codes and "
                             "the values it registers",
                             [this] { return WingetCommand(winget_, *out_, *err_); });
  winget->add_option("SETUP", winget_.setup, "A setup with \"version\" and \"publisher\" lines")->required();
  winget->add_option("--id", winget_.id, "The package identifier, PUBLISHER.PRODUCT")->required();
  winget->add_option("--url", winget_.url, "Where the setup can be downloaded (InstallerUrl)");
  winget->add_option("-o,--output", winget_.output, "The folder of the three files (default: the current one)");
  winget->add_option("--license", winget_.license, "The License field (default: Proprietary)");
  winget->add_option("--description", winget_.description, "The ShortDescription (default: the setup's title)");

  CLI::App* text = Command("text",
                           "Show texts of the language in group-0 entry ENTRY as a page shows them (tags, <BR> "
                           "and macros expanded; one text a line)",
                           [this] { return TextCommand(text_, *out_, *err_); });
  text->add_option("PACKAGE", text_.package, "A setup")->required();
  text->add_option("ENTRY", text_.entry, "A language entry")->required();
  text->add_option("NUMBER", text_.numbers, "Text numbers: decimal, or $ and hexadecimal")->required();
}

void CommandLine::AddKzpCommands() {
  CLI::App* kzp = app_.add_subcommand("kzp", "Read and write KZP packages");
  kzp->set_help_flag("-h,--help", "Show this command's help");
  kzp->require_subcommand(1);
  auto action = [this, kzp](const std::string& name, const std::string& description) {
    CLI::App* command = kzp->add_subcommand(name, description);
    command->set_help_flag("-h,--help", "Show this command's help");
    runs_.emplace_back(command, [this, name] {
      kzp_.action = name;
      return KzpCommand(kzp_, *out_, *err_);
    });
    return command;
  };
  CLI::App* list = action("list",
                          "Show a KZP package's signature form, password (set or none), official flag and "
                          "records (kind, size, stored length, offset, time, name)");
  list->add_option("PACKAGE", kzp_.package, "A KZP package")->required();
  list->add_flag("--json", kzp_.json, "Write JSON");
  CLI::App* extract = action("extract", "Write each record's content to DIR (sound blocks as stored)");
  extract->add_option("PACKAGE", kzp_.package, "A KZP package")->required();
  extract->add_option("DIR", kzp_.folder, "The folder to write into")->required();
  CLI::App* verify = action("verify", "Inflate every data block and check its size; exit 1 when any is damaged");
  verify->add_option("PACKAGE", kzp_.package, "A KZP package")->required();
  CLI::App* pack = action("pack", "Write a new KZP package from the files below DIR (.WAV files become sound blocks)");
  pack->add_option("DIR", kzp_.folder, "The folder to pack")->required();
  pack->add_option("OUT", kzp_.output, "The KZP package to write")->required();
  pack->add_option("--password", kzp_.password, "The package's password")->type_name("P");
  pack->add_flag("--official", kzp_.official, "Mark the package official");
}

void CommandLine::AddVfsCommands() {
  CLI::App* vfs = app_.add_subcommand("vfs", "Read and write VFS archives");
  vfs->set_help_flag("-h,--help", "Show this command's help");
  vfs->require_subcommand(1);
  auto action = [this, vfs](const std::string& name, const std::string& description) {
    CLI::App* command = vfs->add_subcommand(name, description);
    command->set_help_flag("-h,--help", "Show this command's help");
    runs_.emplace_back(command, [this, name] {
      vfs_.action = name;
      vfs_.arguments = {vfsFirst_};
      if (name == "extract" || name == "create") vfs_.arguments.push_back(vfsSecond_);
      return VfsCommand(vfs_, *out_, *err_);
    });
    return command;
  };
  CLI::App* list = action("list", "Show a VFS archive's folders and files with flags and sizes");
  list->add_option("ARCHIVE", vfsFirst_, "A VFS archive")->required();
  list->add_flag("--json", vfs_.json, "Write JSON");
  CLI::App* extract = action("extract", "Write each file of the archive to DIR/PATH");
  extract->add_option("ARCHIVE", vfsFirst_, "A VFS archive")->required();
  extract->add_option("DIR", vfsSecond_, "The folder to write into")->required();
  action("check",
         "Report every problem: chains, free blocks, UsedBlocks, digest, contents, the .ht index (order, "
         "validity flags, records); exit 1 when damaged")
      ->add_option("ARCHIVE", vfsFirst_, "A VFS archive")
      ->required();
  CLI::App* create = action("create", "Make a VFS archive from the files below DIR, with its .ht index");
  create->add_option("DIR", vfsFirst_, "The folder to pack")->required();
  create->add_option("OUT", vfsSecond_, "The archive to write")->required();
  // Limits: a table that fits in memory, 256 root slots (slot numbers are bytes).
  create->add_option("--block-size", vfs_.blockSize, "Bytes a block")->required()->check(CLI::Range(1u, 1u << 24));
  create->add_option("--blocks", vfs_.blocks, "Blocks in the archive")->required()->check(CLI::Range(1u, 1u << 24));
  create->add_option("--roots", vfs_.roots, "Root slots")->required()->check(CLI::Range(1u, 256u));
}

void CommandLine::AddDiffCommand() {
  CLI::App* diff = Command(
      "diff",
      "Compare two builds of a product (folders as installed): loose files, and the entries of KZP packages "
      "and VFS archives both hold; exit 0 equal, 1 different. With -o, write a patch's source folder",
      [this] {
        struct Only {
          const char* name;
          std::string* value;
          std::optional<std::string>* target;
        };
        const Only onlyWithOutput[] = {{"--sources", &diffSources_, &diff_.sources},
                                       {"--name", &diffName_, &diff_.name},
                                       {"--log-prefix", &diffLogPrefix_, &diff_.logPrefix},
                                       {"--installdir", &diffInstallDir_, &diff_.installDir}};
        const CLI::App* command = Selected(app_);
        std::string without;
        for (const Only& only : onlyWithOutput) {
          if (command->count(only.name) == 0) continue;
          *only.target = *only.value;
          if (without.empty()) without = only.name;
        }
        if (without.empty() && !diff_.regKey.empty()) without = "--regkey";
        if (without.empty() && diff_.allowPartial) without = "--allow-partial";
        if (diff_.output.empty() && !without.empty()) {
          usageError_ = without + " needs -o OUT";
          return int{kExitUsage};
        }
        if (!diff_.output.empty() && diff_.json) {
          usageError_ = "--json writes the report, which -o does not print";
          return int{kExitUsage};
        }
        if (diffRunner == nullptr) {
          ReportError(*err_, "diff is not part of this program");
          return int{kExitUsage};
        }
        return diffRunner(diff_, *out_, *err_);
      });
  diff->add_option("OLD", diff_.oldRoot, "The older build's folder")->required();
  diff->add_option("NEW", diff_.newRoot, "The newer build's folder")->required();
  diff->add_flag("--json", diff_.json, "Write the report as JSON");
  diff->add_option("-o,--output", diff_.output, "Write a patch's source folder OUT (see docs/patching.md)")
      ->check(kFileName)
      ->type_name("OUT");
  diff->add_option("--sources", diffSources_, "-o: the WAV files of ADPCM sounds, by entry name")
      ->check(kFileName)
      ->type_name("DIR");
  diff->add_option("--name", diffName_, "-o: the setup's title (default: \"<NEW's folder name> patch\")")
      ->type_name("TEXT");
  diff->add_option("--log-prefix", diffLogPrefix_, "-o: extend the product's install log with this prefix")
      ->type_name("P");
  diff->add_option("--installdir", diffInstallDir_, "-o: the installation folder the patch proposes")
      ->type_name("FOLDER");
  diff->add_option("--regkey", diff_.regKey, "-o: where the patch finds the installation folder")
      ->expected(3)
      ->type_name("ROOT KEY VALUE");
  diff->add_flag("--allow-partial", diff_.allowPartial, "-o: exit 0 though some differences cannot be expressed");
}

// The command the parse selected, deepest first ("kzp list", not "kzp").
CLI::App* Selected(CLI::App& app) {
  CLI::App* selected = nullptr;
  for (CLI::App* level = &app; level != nullptr;) {
    const auto chosen = level->get_subcommands();
    level = chosen.empty() ? nullptr : chosen.front();
    if (level != nullptr) selected = level;
  }
  return selected;
}

std::string SeeHelp(CLI::App& app) {
  std::string path;
  for (CLI::App* level = Selected(app); level != nullptr && level != &app; level = level->get_parent())
    path = level->get_name() + (path.empty() ? "" : " ") + path;
  return " (see setupc " + (path.empty() ? std::string() : path + " ") + "--help)";
}

int CommandLine::Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  out_ = &out;
  err_ = &err;
  const std::string& first = arguments.front();
  const auto known = app_.get_subcommands([&](const CLI::App* command) { return command->check_name(first); });
  if (!first.empty() && first[0] != '-' && known.empty()) {
    ReportError(err, "unknown command \"" + first + "\"" + " (see setupc --help)");
    return kExitUsage;
  }
  try {
    app_.parse(std::vector<std::string>(arguments.rbegin(), arguments.rend()));
  } catch (const CLI::CallForHelp&) {
    out << app_.help();
    return kExitOk;
  } catch (const CLI::CallForAllHelp&) {
    out << app_.help("", CLI::AppFormatMode::All);
    return kExitOk;
  } catch (const CLI::CallForVersion& version) {
    out << "setupc " << version.what() << "\n";
    return kExitOk;
  } catch (const CLI::ParseError& error) {
    ReportError(err, error.what() + SeeHelp(app_));
    return kExitUsage;
  }
  CLI::App* selected = Selected(app_);
  const auto run = std::find_if(runs_.begin(), runs_.end(), [&](const auto& entry) { return entry.first == selected; });
  if (run == runs_.end()) return kExitUsage;  // require_subcommand keeps this from happening
  const int code = run->second();
  if (!usageError_.empty()) ReportError(err, usageError_ + SeeHelp(app_));
  return code;
}

// A message box raised inside a command (a damaged entry's) as one line on err: a
// console tool must not stop for a window nobody may see.
std::string MessageLine(const platform::MessageRequest& request) {
  std::string line = "[";
  line.append(WideToNative(request.caption)).append("]");
  const std::string text = WideToNative(request.text);
  const char* separator = " ";
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end > start) {
      line.append(separator).append(text, start, end - start);
      separator = ": ";
    }
    start = end + 1;
  }
  return line;
}

class ConsoleMessages {
 public:
  explicit ConsoleMessages(std::ostream& err)
      : previous_(platform::SetMessageHandler([&err](const platform::MessageRequest& request) {
          ReportError(err, MessageLine(request));
          return request.buttons == platform::MessageButtons::YesNo ||
                         request.buttons == platform::MessageButtons::YesNoCancel
                     ? platform::kAnswerYes
                     : platform::kAnswerOk;
        })) {}
  ~ConsoleMessages() { platform::SetMessageHandler(std::move(previous_)); }
  ConsoleMessages(const ConsoleMessages&) = delete;
  ConsoleMessages& operator=(const ConsoleMessages&) = delete;

 private:
  platform::MessageHandler previous_;
};

}  // namespace

void ReportError(std::ostream& err, const std::string& message) { err << "setupc: " << message << "\n"; }

std::string UsageText() { return CommandLine().Help(); }

void SetApplyCommand(ApplyRunner runner) { applyRunner = runner; }
void SetDiffCommand(DiffRunner runner) { diffRunner = runner; }

int RunSetupc(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (arguments.empty()) {
    err << UsageText();
    return kExitUsage;
  }
  if (arguments[0] == "help") {
    out << UsageText();
    return kExitOk;
  }
  ConsoleMessages messages(err);
  try {
    const int code = CommandLine().Run(arguments, out, err);
    out.flush();
    return code;
  } catch (const std::exception& e) {
    ReportError(err, e.what());
    return kExitFailed;
  }
}

}  // namespace setup::setupc
