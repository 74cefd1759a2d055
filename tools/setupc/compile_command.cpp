// setupc compile SCRIPT [-o OUT] [--stub STUB] [--finaliser FILE] [--jobs N]: compiles
// an install script and the files it names into a setup: a copy of the stub with the
// package appended.

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "package/pak.h"
#include "platform/files.h"
#include "platform/process.h"
#include "setupc/commands.h"
#include "setupc/host_file.h"
#include "setupc/local_files.h"
#include "setupc/manifest_level.h"
#include "setupc/package_input.h"
#include "setupc/script_compiler.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

constexpr size_t kMaxReported = 100;
constexpr uint64_t kProgressFrom = 16 * 1000 * 1000;  // bytes of content
constexpr uint64_t kMaxEntrySize = 0xFFFFFFFFu;

// Prints diagnostics as FILE:LINE: [prefix]message, at most kMaxReported of them.
void PrintDiagnostics(const std::vector<Diagnostic>& diagnostics, const char* prefix, std::ostream& err) {
  for (size_t i = 0; i < diagnostics.size() && i < kMaxReported; ++i) {
    const Diagnostic& d = diagnostics[i];
    err << d.file;
    if (d.line != 0) err << ":" << d.line;
    err << ": " << prefix << d.message << "\n";
  }
}

// Prints the errors and the summary.
void ReportDiagnostics(const std::vector<Diagnostic>& diagnostics, std::ostream& err) {
  PrintDiagnostics(diagnostics, "", err);
  std::string summary = CountOf(diagnostics.size(), "error", "errors");
  if (diagnostics.size() > kMaxReported) summary += " (the first " + std::to_string(kMaxReported) + " shown)";
  ReportError(err, summary + "; nothing written");
}

// The stub: --stub, else $SETUPC_STUB, else stub.exe in setupc's own folder. Empty
// after reporting when there is none.
std::string FindStub(const CompileOptions& options, std::ostream& err) {
  std::string stub = options.stub, origin;
  if (stub.empty()) {
    if (const char* env = std::getenv("SETUPC_STUB"); env != nullptr && *env != '\0') {
      stub = env;
      origin = " (named by SETUPC_STUB)";
    } else {
#ifdef _WIN32
      const std::string self = platform::ModuleFileName();
#else
      std::error_code ec;
      const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
#endif
      stub = ResolvePath(FolderOf(self), "stub.exe");
      origin = " (the default: stub.exe beside setupc; name another with --stub FILE or SETUPC_STUB)";
    }
  }
  if (KindOf(stub) != PathKind::File) {
    ReportError(err, "no stub file " + stub + origin);
    return {};
  }
  return stub;
}

// A setup that builds an uninstaller carries the finaliser, which deletes the
// uninstaller after it has ended: the script's "uninstallfinaliser", else
// --finaliser, else finalise.exe beside the stub (where the build puts it). Without
// one the setup is still written, after a warning. False after reporting when the
// setup cannot be written: --finaliser names no file, or there are too many entries.
bool AddFinaliser(CompiledScript& compiled, const CompileOptions& options, const std::string& stub,
                  std::ostream& err) {
  if (!options.finaliser.empty() && KindOf(options.finaliser) != PathKind::File) {
    ReportError(err, "no finaliser file " + options.finaliser + " (named by --finaliser)");
    return false;
  }
  if (!compiled.wantsFinaliser) return true;
  std::string finaliser = options.finaliser;
  if (finaliser.empty()) {
    finaliser = ResolvePath(FolderOf(stub), "finalise.exe");
    if (KindOf(finaliser) != PathKind::File) {
      ReportError(err, "warning: no finaliser " + finaliser +
                           " beside the stub (name one with --finaliser FILE or an \"uninstallfinaliser\" "
                           "line): the uninstaller will stay behind after uninstalling");
      return true;
    }
  }
  const std::optional<uint64_t> size = RegularFileSize(finaliser);
  if (!size || *size > kMaxEntrySize) {
    ReportError(err, "cannot read finaliser file " + finaliser);
    return false;
  }
  if (!AddFinaliserEntry(compiled, finaliser, *size)) {
    ReportError(err, "the setup would hold more than 65,535 entries with the finaliser");
    return false;
  }
  return true;
}

// A progress line on err that rewrites itself.
class ProgressLine {
 public:
  ProgressLine(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}
  ~ProgressLine() {
    if (shown_) err_ << "\n" << std::flush;
  }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void Update(uint64_t done, uint64_t total) {
    if (!enabled_ || total < kProgressFrom) return;
    const int percent = static_cast<int>(done * 100 / total);
    if (shown_ && percent == percent_) return;
    percent_ = percent;
    shown_ = true;
    char line[96];
    std::snprintf(line, sizeof line, "\rsetupc: compressing %3d%% (%.1f of %.1f MB)", percent,
                  static_cast<double>(done) / 1e6, static_cast<double>(total) / 1e6);
    err_ << line << std::flush;
  }

 private:
  std::ostream& err_;
  const bool enabled_;
  bool shown_ = false;
  int percent_ = -1;
};

// Writes the setup to temporary, then puts it in place of output. Empty on success.
std::string WriteSetup(const CompiledScript& compiled, const CompileOptions& options,
                       const std::string& temporary, uint64_t& packageSize, std::ostream& err) {
  TPak pak;
  if (!pak.Create(temporary, false, true)) return "cannot open " + temporary + " for writing";
  const uint64_t dataStart = pak.FileSize();
  ProgressLine progress(err, options.progress);
  std::string failure = WritePayload(pak, compiled.entries, options.jobs,
                                     [&](uint64_t done, uint64_t total) { progress.Update(done, total); });
  if (failure.empty() && !pak.WriteTable()) failure = "cannot write the table to " + temporary;
  packageSize = pak.FileSize() - dataStart;
  pak.Close();
  return failure;
}

}  // namespace

bool IsTerminal(const std::ostream& stream) {
#ifdef _WIN32
  return &stream == &std::cerr && _isatty(_fileno(stderr)) != 0;
#else
  return &stream == &std::cerr && isatty(STDERR_FILENO) != 0;
#endif
}

int CompileCommand(const CompileOptions& options, std::ostream& out, std::ostream& err) {
  if (KindOf(options.script) != PathKind::File) {
    ReportError(err, "cannot read script " + options.script +
                         (KindOf(options.script) == PathKind::Missing ? ": no such file" : ""));
    return kExitUsage;
  }
  CompiledScript compiled;
  std::vector<Diagnostic> diagnostics;
  CompileScript(options.script, compiled, diagnostics);
  PrintDiagnostics(compiled.warnings, "warning: ", err);
  if (diagnostics.empty() && !compiled.hasOutFile && options.output.empty()) {
    diagnostics.push_back({options.script, 0, "no \"outfile\" line; write one or name the output with -o"});
  }
  if (!diagnostics.empty()) {
    ReportDiagnostics(diagnostics, err);
    return kExitFailed;
  }

  const std::string output = options.output.empty()
                                 ? ResolvePath(FolderOf(options.script), compiled.info.SetupExeName)
                                 : options.output;
  const std::string stub = FindStub(options, err);
  if (stub.empty() || !AddFinaliser(compiled, options, stub, err)) return kExitFailed;
  if (SameFile(stub, output) || SameFile(options.script, output)) {
    ReportError(err, "the output must be neither the stub nor the script");
    return kExitUsage;
  }

  // The setup checks its own file name against SetupExeName.
  const std::string written = FileNameOf(output);
  if (!compiled.hasOutFile) {
    compiled.info.SetupExeName = ArgumentToAnsi(written).value_or(written);
    EncodeSetupInfo(compiled);
  } else if (AsciiLower(FileNameOf(AnsiToNative(compiled.info.SetupExeName))) != AsciiLower(written)) {
    ReportError(err, "warning: " + output + " will refuse to start under any name but " +
                         FileNameOf(AnsiToNative(compiled.info.SetupExeName)) + " (its \"outfile\")");
  }

  // The setup is built under a temporary name beside the output and renamed at the
  // end, so a failure never leaves a partial setup behind.
  const std::string temporary = output + ".setupc-tmp";
  const std::optional<uint64_t> stubSize = CopyHost(stub, temporary, "stub", err);
  if (!stubSize) return kExitFailed;
  uint64_t packageSize = 0;
  std::string failure;
  // A per-user setup starts without elevation.
  if (compiled.facts.PerUser) failure = RequestNoElevation(temporary);
  try {
    if (failure.empty()) failure = WriteSetup(compiled, options, temporary, packageSize, err);
  } catch (const std::exception& e) {
    failure = e.what();
  }
  if (failure.empty()) failure = ReplaceFile(temporary, output);
  if (!failure.empty()) {
    platform::RemoveFile(temporary);
    ReportError(err, failure);
    return kExitFailed;
  }
  out << "compiled " << options.script << " into " << output << ": "
      << CountOf(compiled.lines.Count(), "line", "lines") << ", "
      << CountOf(compiled.entries.size(), "entry", "entries") << " in "
      << CountOf(compiled.groups + 1, "group", "groups") << ", " << packageSize << " bytes after a stub of "
      << *stubSize << " bytes\n";
  return kExitOk;
}

}  // namespace setup::setupc
