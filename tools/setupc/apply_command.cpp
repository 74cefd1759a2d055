// setupc apply: a setup run natively as the stub runs it with /S, against a folder, with
// the stub's own start-up and run code, and a report of what it did.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <ostream>

#include "platform/dialogs.h"
#include "platform/process.h"
#include "platform/system_info.h"
#include "script/setup_context.h"
#include "setup/exit_code.h"
#include "setup/message_log.h"
#include "setup/self_verification.h"
#include "setup/startup_sequence.h"
#include "setup/unattended_run.h"
#include "setupc/apply_environment.h"
#include "setupc/apply_report.h"
#include "setupc/apply_scan.h"
#include "setupc/commands.h"

namespace setup::setupc {

namespace fs = std::filesystem;

namespace {

// Unattended, verification shows nothing (as the stub's /S).
class HiddenVerifyView final : public IVerifyView {
 public:
  void SetStatus(const std::string&) override {}
  void SetProgress(uint32_t, uint32_t) override {}
  void Repaint() override {}
};

// An exit of the process asked for by the setup's code (a fatal application exit, the
// error report's termination): raised instead, so that apply still reports.
struct ProcessExitRequest {
  uint32_t code;
};

// Every box with the answer it took, after the log's scope has answered it.
class BoxRecorder {
 public:
  explicit BoxRecorder(std::vector<AnsweredBox>& boxes) {
    previous_ = platform::SetMessageHandler({});
    platform::SetMessageHandler([this, &boxes, answer = previous_](const platform::MessageRequest& request) {
      const int result = answer ? answer(request) : DefaultAnswer(request.buttons);
      std::lock_guard<std::mutex> lock(mutex_);
      boxes.push_back({request.text, request.caption, result});
      return result;
    });
  }
  ~BoxRecorder() { platform::SetMessageHandler(std::move(previous_)); }
  BoxRecorder(const BoxRecorder&) = delete;
  BoxRecorder& operator=(const BoxRecorder&) = delete;

 private:
  platform::MessageHandler previous_;
  std::mutex mutex_;
};

class ExitCatcher {
 public:
  ExitCatcher() {
    previous_ = platform::SetExitHandler([this](uint32_t code) {
      requested_ = static_cast<int64_t>(code);
      throw ProcessExitRequest{code};
    });
  }
  ~ExitCatcher() { platform::SetExitHandler(std::move(previous_)); }
  ExitCatcher(const ExitCatcher&) = delete;
  ExitCatcher& operator=(const ExitCatcher&) = delete;
  // The code of an exit the run asked for; -1 when none did.
  int64_t Requested() const { return requested_; }

 private:
  platform::ExitHandler previous_;
  std::atomic<int64_t> requested_{-1};
};

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

// Verification, start-up and the run, as main_win32.cpp does them under /S.
ExitCode RunSetup(SetupContext& context, const ApplyEnvironment& environment, const std::string& setupFile,
                  ApplyReport& report) {
  HiddenVerifyView view;
  // No package argument: the setup file is "the running program" (its own package,
  // its name checked against the one it was built with, the uninstaller copied from it).
  if (OpenAndVerifyPackage(context, {}, setupFile, view) != VerificationOutcome::Verified) {
    return ExitCode::DamagedSetup;
  }
  StartupOptions options;
  options.Folder = environment.InstallFolder();  // as /D= names it
  options.Unattended = true;
  const StartupOutcome outcome = ContinueStartup(context, setupFile, options);
  report.setupName = context.SetupInfo.SetupName;
  report.uninstaller = context.SetupInfo.IsUninstaller == 1;
  if (outcome != StartupOutcome::Wizard) return ExitCodeOf(outcome);
  std::mutex errorMutex;
  const ExitCode code = RunUnattended(context, [&](const std::string& message, const std::string& type) {
    std::lock_guard<std::mutex> lock(errorMutex);
    report.internalError = (type.empty() ? std::string() : type + ": ") + message;
    context.Log.Write({"internal error (", type, "): ", message});
  });
  return report.internalError.empty() ? code : ExitCode::InternalError;
}

}  // namespace

int ApplyCommand(const ApplyOptions& options, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  if (!fs::is_regular_file(options.setup, ec)) {
    ReportError(err, options.setup + ": no such setup file");
    return static_cast<int>(ExitCode::DamagedSetup);
  }
  if (!fs::is_directory(options.folder, ec) && !fs::create_directories(options.folder, ec)) {
    ReportError(err, options.folder + ": not a folder, and it cannot be created");
    return static_cast<int>(ExitCode::StartupRefused);
  }

  ApplyReport report;
  report.folder = options.folder;
  const std::map<std::string, ScannedFile> before = ScanFolder(options.folder);

  ApplyEnvironment environment;
  std::string error;
  if (!environment.Begin(options.setup, options.folder, error)) {
    ReportError(err, error);
    return static_cast<int>(ExitCode::StartupRefused);
  }
  report.installFolder = environment.InstallFolder();
  report.registryWhere = environment.RegistryWhere();
  const std::string setupFile = fs::absolute(options.setup, ec).string();

  ExitCode code = ExitCode::Success;
  {
    SetupContext context;
    context.Unattended = true;
    context.Log.Open(environment.LogPath());
    context.Log.Write({"setupc apply: ", setupFile});
    context.Log.Write("unattended (/S)");
    context.SystemLangID = platform::SystemDefaultLangId();
    ExitCatcher exits;
    {
      const MessageLogScope boxes(context.Log, /*unattended=*/true);
      const BoxRecorder recorder(report.boxes);
      try {
        code = RunSetup(context, environment, setupFile, report);
      } catch (const ProcessExitRequest& exit) {
        code = static_cast<ExitCode>(exit.code);
      } catch (const std::exception& e) {
        // What the stub's error report would catch: an internal error.
        report.internalError = e.what();
        code = ExitCode::InternalError;
      }
    }
    if (exits.Requested() >= 0) {
      code = static_cast<ExitCode>(exits.Requested());
      if (report.internalError.empty()) report.internalError = "the setup ended the process";
    }
    context.Log.Write({"exit code ", std::to_string(ToProcessExitCode(code))});
    context.Log.Finish();
    // The run's registry values and its files in system folders, before they go.
    report.registry = platform::SandboxRegistryValues();
    report.programs = platform::RecordedProgramStarts();
    report.systemFiles = environment.SystemFiles();
  }
  report.log = ReadLines(environment.LogPath());
  environment.End();

  report.files = CompareScans(before, ScanFolder(options.folder));
  report.exitCode = code;
  if (options.json) {
    WriteApplyJson(report, out);
  } else {
    WriteApplyText(report, out);
  }
  return static_cast<int>(ToProcessExitCode(code));
}

}  // namespace setup::setupc
