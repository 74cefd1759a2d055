#pragma once
// The commands of setupc, each with its parsed options. Each writes its results to out,
// every error as one line on err, and returns an ExitCode.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setup::setupc {

struct PackOptions {
  std::string output;
  std::string host;                  // empty: a stand-alone package
  std::vector<std::string> entries;  // GROUP:NAME=PATH, in package order
};

struct ListOptions {
  std::string package;
  bool json = false;
};

struct VerifyOptions {
  std::string package;
};

struct ExtractOptions {
  std::string package;
  std::string folder;
  std::optional<uint16_t> group;  // none: every group
};

struct InfoOptions {
  std::string package;
  bool json = false;
};

struct LogOptions {
  std::string file;
  bool json = false;
};

struct WingetOptions {
  std::string setup;
  std::string id;           // PUBLISHER.PRODUCT
  std::string url;          // InstallerUrl; empty: left out
  std::string output = "."; // the folder of the three files
  std::string license = "Proprietary";
  std::string description;  // empty: the setup's title
};

struct TextOptions {
  std::string package;
  std::string entry;                 // a group-0 entry, as typed
  std::vector<std::string> numbers;  // as typed: decimal or "$" and hexadecimal
};

struct CompileOptions {
  std::string script;
  std::string output;     // empty: the script's "outfile", beside the script
  std::string stub;       // empty: $SETUPC_STUB, else stub.exe beside setupc
  std::string finaliser;  // empty: finalise.exe beside the stub (when the setup needs one)
  unsigned jobs = 1;      // compressing workers
  bool progress = false;  // a progress line on err for large payloads
};

struct KzpOptions {
  std::string action;    // list, extract, verify or pack
  std::string package;   // the KZP package (pack: the one written)
  std::string folder;    // extract: the target; pack: the source
  std::string output;    // pack: the package written
  std::string password;  // pack
  bool official = false; // pack
  bool json = false;     // list
};

struct VfsOptions {
  std::string action;                  // list, extract, check, create
  std::vector<std::string> arguments;  // after the action
  bool json = false;
  uint32_t blockSize = 0;  // create
  uint32_t blocks = 0;
  uint32_t roots = 0;
};

struct DiffOptions {
  std::string oldRoot, newRoot;          // the two builds' folders
  std::string output;                    // -o OUT: a patch source folder; empty: the report
  bool json = false;                     // the report as JSON
  std::optional<std::string> sources;    // -o only: --sources DIR
  std::optional<std::string> name;       // -o only: --name TEXT
  std::optional<std::string> logPrefix;  // -o only: --log-prefix P
  std::optional<std::string> installDir; // -o only: --installdir FOLDER
  std::vector<std::string> regKey;       // -o only: --regkey ROOT KEY VALUE
  bool allowPartial = false;             // -o only
};

struct InitOptions {
  std::string folder;                               // new or empty
  std::string name = "My Product 1.0";              // the product's name, as typed
  std::vector<std::string> languages = {"english"};  // the wizard's first choice first
};

struct ApplyOptions {
  std::string setup;   // the setup file
  std::string folder;  // the installation folder (DIR)
  bool json = false;
};

int PackCommand(const PackOptions& options, std::ostream& out, std::ostream& err);
int ListCommand(const ListOptions& options, std::ostream& out, std::ostream& err);
int VerifyCommand(const VerifyOptions& options, std::ostream& out, std::ostream& err);
int ExtractCommand(const ExtractOptions& options, std::ostream& out, std::ostream& err);
int InfoCommand(const InfoOptions& options, std::ostream& out, std::ostream& err);
int LogCommand(const LogOptions& options, std::ostream& out, std::ostream& err);
int WingetCommand(const WingetOptions& options, std::ostream& out, std::ostream& err);
int TextCommand(const TextOptions& options, std::ostream& out, std::ostream& err);
int CompileCommand(const CompileOptions& options, std::ostream& out, std::ostream& err);
int InitCommand(const InitOptions& options, std::ostream& out, std::ostream& err);
// setupc diff: the report (exit 0 equal, 1 different), or with -o a patch source. It
// lives in the library setupc_diff, which the program registers with SetDiffCommand.
int DiffCommand(const DiffOptions& options, std::ostream& out, std::ostream& err);
using DiffRunner = int (*)(const DiffOptions&, std::ostream&, std::ostream&);
void SetDiffCommand(DiffRunner runner);
int KzpCommand(const KzpOptions& options, std::ostream& out, std::ostream& err);
int VfsCommand(const VfsOptions& options, std::ostream& out, std::ostream& err);
// setupc apply: runs the setup as the stub does with /S, into folder; returns the
// stub's exit code (setup/exit_code.h) and writes the report to out. It lives in the
// library setupc_apply (the stub's start-up and run linked in), which the program
// registers with SetApplyCommand: the other test programs stay small enough for the
// Windows build's single link-time partition.
int ApplyCommand(const ApplyOptions& options, std::ostream& out, std::ostream& err);
using ApplyRunner = int (*)(const ApplyOptions&, std::ostream&, std::ostream&);
void SetApplyCommand(ApplyRunner runner);
// setupc vfs check: every problem as a "problem: " line, then "ok" or the count.
int VfsCheck(const std::string& archive, std::ostream& out, std::ostream& err);

// Whether stream is the process's standard error and that is a terminal.
bool IsTerminal(const std::ostream& stream);

// A text number of "setupc text": decimal digits, or "$" and hexadecimal digits (either
// case), 0 to 65535; no sign, no blanks.
std::optional<uint16_t> ParseTextNumber(std::string_view text);

// "setupc: " + message, on a line of its own.
void ReportError(std::ostream& err, const std::string& message);

}  // namespace setup::setupc
