// Command-line parsing and dispatch of setupc.

#include <algorithm>
#include <exception>
#include <map>
#include <ostream>
#include <set>
#include <thread>
#include <utility>

#include "platform/dialogs.h"
#include "setupc/commands.h"
#include "setupc/entry_argument.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

struct ParsedArguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // --option VALUE
  std::set<std::string> flags;                // --flag
  bool help = false;
};

// Splits a command's arguments into options and positional arguments; "--" ends the
// options. Options may stand anywhere, as "--name VALUE" or "--name=VALUE".
bool ParseArguments(const std::vector<std::string>& arguments, const std::set<std::string>& valueOptions,
                    const std::set<std::string>& flagOptions, ParsedArguments& parsed, std::string& error) {
  bool optionsEnded = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument.compare(0, 1, "-") != 0) {
      parsed.positional.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "-h" || argument == "--help") {
      parsed.help = true;
      continue;
    }
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    if (valueOptions.count(name) != 0) {
      std::string value;
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        error = name + " needs a value";
        return false;
      }
      if (!parsed.values.emplace(name, value).second) {
        error = name + " is given twice";
        return false;
      }
    } else if (flagOptions.count(name) != 0 && equals == std::string::npos) {
      parsed.flags.insert(name);
    } else {
      error = "unknown option " + argument;
      return false;
    }
  }
  return true;
}

int ShowUsage(std::ostream& out) {
  out << UsageText();
  return kExitOk;
}

int UsageError(std::ostream& err, const std::string& message) {
  ReportError(err, message + " (see setupc --help)");
  return kExitUsage;
}

// setupc kzp ACTION ...: the arguments after "kzp" are parsed like a command's own.
int RunKzp(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  ParsedArguments parsed;
  std::string error;
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  if (rest.empty()) return UsageError(err, "kzp needs an action: list, extract, verify or pack");
  const std::string& action = rest[0];
  if (!ParseArguments(rest, {"--password"}, {"--json", "--official"}, parsed, error)) return UsageError(err, error);
  if (parsed.help) return ShowUsage(out);
  KzpOptions options;
  options.action = action;
  const size_t wanted = action == "list" || action == "verify" ? 1 : action == "extract" || action == "pack" ? 2 : 0;
  if (wanted == 0) return UsageError(err, "unknown kzp action \"" + action + "\"");
  if (parsed.positional.size() != wanted) {
    return UsageError(err, "kzp " + action + " takes " + std::to_string(wanted) + (wanted == 1 ? " argument" : " arguments") +
                               ", got " + std::to_string(parsed.positional.size()));
  }
  const bool packing = action == "pack";
  if ((parsed.values.count("--password") != 0 || parsed.flags.count("--official") != 0) && !packing) {
    return UsageError(err, "--password and --official belong to kzp pack");
  }
  if (parsed.flags.count("--json") != 0 && action != "list") return UsageError(err, "--json belongs to kzp list");
  options.json = parsed.flags.count("--json") != 0;
  options.official = parsed.flags.count("--official") != 0;
  if (auto password = parsed.values.find("--password"); password != parsed.values.end()) {
    options.password = password->second;
  }
  if (packing) {
    options.folder = parsed.positional[0];
    options.output = parsed.positional[1];
  } else {
    options.package = parsed.positional[0];
    if (wanted == 2) options.folder = parsed.positional[1];
  }
  return KzpCommand(options, out, err);
}

int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const std::string& command = arguments[0];
  ParsedArguments parsed;
  std::string error;
  auto parse = [&](const std::set<std::string>& valueOptions, const std::set<std::string>& flagOptions) {
    return ParseArguments(arguments, valueOptions, flagOptions, parsed, error);
  };
  auto positionalCount = [&](size_t count) {
    if (parsed.positional.size() == count) return true;
    error = command + " takes " + std::to_string(count) + (count == 1 ? " argument" : " arguments") +
            ", got " + std::to_string(parsed.positional.size());
    return false;
  };

  if (command == "pack") {
    if (!parse({"--host"}, {})) return UsageError(err, error);
    if (parsed.help) return ShowUsage(out);
    if (parsed.positional.empty()) return UsageError(err, "pack needs an output file");
    PackOptions options;
    options.output = parsed.positional[0];
    options.entries.assign(parsed.positional.begin() + 1, parsed.positional.end());
    if (auto host = parsed.values.find("--host"); host != parsed.values.end()) {
      if (host->second.empty()) return UsageError(err, "--host needs a file name");
      options.host = host->second;
    }
    return PackCommand(options, out, err);
  }
  if (command == "list") {
    if (!parse({}, {"--json"})) return UsageError(err, error);
    if (parsed.help) return ShowUsage(out);
    if (!positionalCount(1)) return UsageError(err, error);
    return ListCommand(ListOptions{parsed.positional[0], parsed.flags.count("--json") != 0}, out, err);
  }
  if (command == "verify") {
    if (!parse({}, {})) return UsageError(err, error);
    if (parsed.help) return ShowUsage(out);
    if (!positionalCount(1)) return UsageError(err, error);
    return VerifyCommand(VerifyOptions{parsed.positional[0]}, out, err);
  }
  if (command == "extract") {
    if (!parse({"--group"}, {})) return UsageError(err, error);
    if (parsed.help) return ShowUsage(out);
    if (!positionalCount(2)) return UsageError(err, error);
    ExtractOptions options{parsed.positional[0], parsed.positional[1], std::nullopt};
    if (auto group = parsed.values.find("--group"); group != parsed.values.end()) {
      options.group = ParseGroup(group->second);
      if (!options.group) return UsageError(err, "--group must be a decimal number from 0 to 65535");
    }
    return ExtractCommand(options, out, err);
  }
  if (command == "info" || command == "log") {
    if (!parse({}, {"--json"})) return UsageError(err, error);
    if (parsed.help) return ShowUsage(out);
    if (!positionalCount(1)) return UsageError(err, error);
    const bool json = parsed.flags.count("--json") != 0;
    return command == "info" ? InfoCommand(InfoOptions{parsed.positional[0], json}, out, err)
                             : LogCommand(LogOptions{parsed.positional[0], json}, out, err);
  }
  if (command == "text") {
    if (!parse({}, {})) return UsageError(err, error);
    if (parsed.help) return ShowUsage(out);
    if (parsed.positional.size() < 3) {
      return UsageError(err, "text takes a package, an entry and at least one text number, got " +
                                 std::to_string(parsed.positional.size()) + " arguments");
    }
    TextOptions options{parsed.positional[0], parsed.positional[1], {}};
    options.numbers.assign(parsed.positional.begin() + 2, parsed.positional.end());
    return TextCommand(options, out, err);
  }
  if (command == "compile") {
    if (!parse({"-o", "--output", "--stub", "--finaliser", "--jobs"}, {})) return UsageError(err, error);
    if (parsed.help) return ShowUsage(out);
    if (!positionalCount(1)) return UsageError(err, error);
    CompileOptions options;
    options.script = parsed.positional[0];
    if (parsed.values.count("-o") != 0 && parsed.values.count("--output") != 0) {
      return UsageError(err, "-o and --output name the same thing; give one");
    }
    for (const char* name : {"-o", "--output"}) {
      if (auto value = parsed.values.find(name); value != parsed.values.end()) {
        if (value->second.empty()) return UsageError(err, std::string(name) + " needs a file name");
        options.output = value->second;
      }
    }
    if (auto stub = parsed.values.find("--stub"); stub != parsed.values.end()) {
      if (stub->second.empty()) return UsageError(err, "--stub needs a file name");
      options.stub = stub->second;
    }
    if (auto finaliser = parsed.values.find("--finaliser"); finaliser != parsed.values.end()) {
      if (finaliser->second.empty()) return UsageError(err, "--finaliser needs a file name");
      options.finaliser = finaliser->second;
    }
    options.jobs = std::max(1u, std::thread::hardware_concurrency());
    if (auto jobs = parsed.values.find("--jobs"); jobs != parsed.values.end()) {
      const std::string& text = jobs->second;
      if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos ||
          std::stoi(text) < 1 || std::stoi(text) > 64) {
        return UsageError(err, "--jobs must be a number from 1 to 64");
      }
      options.jobs = static_cast<unsigned>(std::stoi(text));
    }
    options.progress = IsTerminal(err);
    return CompileCommand(options, out, err);
  }
  if (command == "init") {
    if (!parse({"--name", "--languages"}, {})) return UsageError(err, error);
    if (parsed.help) return ShowUsage(out);
    if (!positionalCount(1)) return UsageError(err, error);
    InitOptions options;
    options.folder = parsed.positional[0];
    if (auto name = parsed.values.find("--name"); name != parsed.values.end()) options.name = name->second;
    if (auto list = parsed.values.find("--languages"); list != parsed.values.end()) {
      options.languages.clear();
      for (size_t start = 0; start <= list->second.size();) {
        const size_t comma = std::min(list->second.find(',', start), list->second.size());
        if (comma > start) options.languages.push_back(list->second.substr(start, comma - start));
        start = comma + 1;
      }
    }
    return InitCommand(options, out, err);
  }
  if (command == "kzp") return RunKzp(arguments, out, err);
  if (command == "vfs") {
    if (!parse({"--block-size", "--blocks", "--roots"}, {"--json"})) return UsageError(err, error);
    if (parsed.help) return ShowUsage(out);
    if (parsed.positional.empty()) return UsageError(err, "vfs needs list, extract, check or create");
    VfsOptions options;
    options.action = parsed.positional[0];
    options.arguments.assign(parsed.positional.begin() + 1, parsed.positional.end());
    options.json = parsed.flags.count("--json") != 0;
    const std::map<std::string, size_t> counts{{"list", 1}, {"extract", 2}, {"check", 1}, {"create", 2}};
    const auto expected = counts.find(options.action);
    if (expected == counts.end()) return UsageError(err, "unknown vfs action \"" + options.action + "\"");
    if (options.arguments.size() != expected->second) {
      return UsageError(err, "vfs " + options.action + " takes " + std::to_string(expected->second) +
                                 (expected->second == 1 ? " argument" : " arguments") + ", got " +
                                 std::to_string(options.arguments.size()));
    }
    if (options.json && options.action != "list") return UsageError(err, "--json belongs to vfs list");
    if (options.action == "create") {
      // Limits: a table that fits in memory, 256 root slots (slot numbers are bytes).
      const struct {
        const char* name;
        uint32_t* value;
        uint64_t low;
        uint64_t high;
      } numbers[] = {{"--block-size", &options.blockSize, 1, 1u << 24},
                     {"--blocks", &options.blocks, 1, 1u << 24},
                     {"--roots", &options.roots, 1, 256}};
      for (const auto& number : numbers) {
        const auto value = parsed.values.find(number.name);
        const std::string text = value == parsed.values.end() ? std::string() : value->second;
        if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos ||
            std::stoull(text) < number.low || std::stoull(text) > number.high) {
          return UsageError(err, std::string(number.name) + " must be a number from " + std::to_string(number.low) +
                                     " to " + std::to_string(number.high));
        }
        *number.value = static_cast<uint32_t>(std::stoull(text));
      }
    } else if (!parsed.values.empty()) {
      return UsageError(err, "--block-size, --blocks and --roots belong to vfs create");
    }
    return VfsCommand(options, out, err);
  }
  ReportError(err, "unknown command \"" + command + "\"");
  err << UsageText();
  return kExitUsage;
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

std::string UsageText() {
  return "usage: setupc COMMAND [ARGUMENTS]\n"
         "\n"
         "commands:\n"
         "  compile SCRIPT [-o OUT] [--stub STUB] [--finaliser FILE] [--jobs N]\n"
         "      Compile an install script and the files it names into a setup: a copy of\n"
         "      the stub with the package appended, written to OUT or the script's\n"
         "      \"outfile\". STUB defaults to $SETUPC_STUB, else stub.exe beside setupc.\n"
         "      A setup with an uninstaller carries FILE as its finaliser unless the\n"
         "      script names one (default: finalise.exe beside STUB). N compressing\n"
         "      threads (default: one per processor).\n"
         "  init DIR [--name NAME] [--languages LIST]\n"
         "      Write a new product into DIR (new or empty): a commented script setup.txt,\n"
         "      languages, installer and uninstaller pages with pictures, and payload/\n"
         "      with one file; it compiles into a working setup as it is. NAME defaults\n"
         "      to \"My Product 1.0\"; LIST is english, german or both, comma-separated,\n"
         "      the wizard's first choice first (default: english).\n"
         "  pack OUT [--host FILE] ENTRY...\n"
         "      Write a package to OUT. Each ENTRY is GROUP:NAME=PATH: GROUP a number from\n"
         "      0 to 65535, NAME the entry's name (folders separated by \"\\\"), PATH the\n"
         "      file to store. With --host the package is appended to a copy of FILE.\n"
         "  list [--json] PACKAGE\n"
         "      Show each entry's index, group, size, stored size, CRC, offset and name.\n"
         "  verify PACKAGE\n"
         "      Check every entry as the setup does at start-up.\n"
         "  extract PACKAGE DIR [--group G]\n"
         "      Write each entry (only those of group G) to DIR/GROUP/NAME.\n"
         "  info [--json] PACKAGE\n"
         "      Show a setup's information record, compiled script, group kinds, space\n"
         "      required and languages.\n"
         "  log [--json] FILE\n"
         "      Show the files, registry entries and folders an install log records.\n"
         "  text PACKAGE ENTRY NUMBER...\n"
         "      Show texts of the language in group-0 entry ENTRY as a page shows them\n"
         "      (tags, <BR> and macros expanded; one text a line). NUMBER is decimal or\n"
         "      $ and hexadecimal.\n"
         "  kzp list [--json] PACKAGE\n"
         "      Show a KZP package's signature form, password (set or none), official\n"
         "      flag and records (kind, size, stored length, offset, time, name).\n"
         "  kzp extract PACKAGE DIR\n"
         "      Write each record's content to DIR (sound blocks as stored).\n"
         "  kzp verify PACKAGE\n"
         "      Inflate every data block and check its size; exit 1 when any is damaged.\n"
         "  kzp pack DIR OUT [--password P] [--official]\n"
         "      Write a new KZP package from the files below DIR (.WAV files become\n"
         "      sound blocks).\n"
         "  vfs list [--json] ARCHIVE\n"
         "      Show a VFS archive's folders and files with flags and sizes.\n"
         "  vfs extract ARCHIVE DIR\n"
         "      Write each file of the archive to DIR/PATH.\n"
         "  vfs check ARCHIVE\n"
         "      Report every problem: chains, free blocks, UsedBlocks, digest, contents,\n"
         "      the .ht index (order, validity flags, records); exit 1 when damaged.\n"
         "  vfs create DIR OUT --block-size N --blocks N --roots N\n"
         "      Make a VFS archive from the files below DIR, with its .ht index.\n"
         "\n"
         "info, log and text write UTF-8.\n"
         "\n"
         "exit codes: 0 success; 1 the command failed (an entry failed or was refused,\n"
         "a file could not be read or written, a setup file is missing or damaged, a log\n"
         "ends early, a script has errors); 2 bad arguments, or no readable package, log\n"
         "or script.\n";
}

int RunSetupc(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (arguments.empty()) {
    err << UsageText();
    return kExitUsage;
  }
  if (arguments[0] == "-h" || arguments[0] == "--help" || arguments[0] == "help") {
    out << UsageText();
    return kExitOk;
  }
  ConsoleMessages messages(err);
  try {
    const int code = RunCommand(arguments, out, err);
    out.flush();
    return code;
  } catch (const std::exception& e) {
    ReportError(err, e.what());
    return kExitFailed;
  }
}

}  // namespace setup::setupc
