#include "script/setup_thread.h"

#include <chrono>
#include <cstdint>
#include <exception>

#include "platform/shell.h"
#include "script/setup_context.h"
#include "script/vfs_update.h"

namespace setup {

namespace {

// "line 12 writeregstr: done", "... jumps to line 30", "... failed" (lines counted
// from 1).
void LogLineOutcome(SetupContext& context, int64_t current, const std::string& name) {
  const int64_t next = static_cast<int64_t>(context.Run.CurrentLine.load()) + 1;
  const bool jumps = !context.Run.SetupFailed && next != current + 1;
  context.Log.Write({"line ", std::to_string(current + 1), " ", name, ": ",
                     context.Run.SetupFailed ? "failed" : jumps ? "jumps to line " : "done",
                     jumps ? std::to_string(next + 1) : std::string()});
}

// The line loop: from CurrentLine + 1 on, each line with a command is dispatched with
// its LineIndex (a command finds its parameters through that index, which copes with a
// damaged one). A jump assigns CurrentLine and the next pass adds one. The loop ends
// beyond the last line or once SetupFailed is set.
void RunLines(SetupContext& context) {
  const int64_t lineCount = static_cast<int64_t>(context.CompiledLines.Count());
  if (lineCount == 0) return;
  TRunState& run = context.Run;
  do {
    // Computed in 64 bits: a jump target near the top of the 32-bit range must not
    // overflow (such a target is beyond the last line, so the loop ends before).
    const int64_t current = static_cast<int64_t>(run.CurrentLine.load()) + 1;
    run.CurrentLine = static_cast<int32_t>(current);
    if (current >= 0 && current < lineCount) {
      const TCompLine& line = context.CompiledLines.Lines()[static_cast<size_t>(current)];
      const int32_t commandId = line.CommandId;
      const int32_t lineIndex = line.LineIndex;
      if (commandId > 0) {
        if (TCommandClass* command = context.Commands.CommandById(commandId)) {
          command->SFXProcess(context, lineIndex);
          LogLineOutcome(context, current, command->Name);
        }
      }
    }
  } while (run.CurrentLine.load() < lineCount && !run.SetupFailed.load());
}

}  // namespace

void RunScript(SetupContext& context) {
  // Shortcut creation needs the component-object system on this thread.
  platform::ComponentObjectScope componentObjects;
  RunLines(context);
  // An archive the script left open gets its header, digest and index now, before the
  // log that records the run is saved.
  CloseVfsArchive(context);
  // Also after "failure": the folder, the log of what was done, and the uninstaller
  // that undoes it.
  ForceDirectoriesLogged(context.SetupInfo.InstallDir, context.UninstallList);
  if (context.SetupInfo.CreateUninstaller == 1) {
    // The registration records the log's digest, so that the uninstaller can tell
    // whether someone changed the log since.
    std::string logDigest;
    context.UninstallList.Save(context.SetupInfo.InstallDir, context.SetupInfo.UninstallPrefix, &logDigest);
    if (context.BuildUninstaller) context.BuildUninstaller(context, logDigest);
  }
}

TSetupThread::TSetupThread(SetupContext& context, ErrorHandler onError)
    : context_(context), onError_(std::move(onError)), thread_([this] { Execute(); }) {}

TSetupThread::~TSetupThread() { Join(); }

void TSetupThread::Join() {
  RequestStop();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TSetupThread::Execute() {
  std::string message;
  bool failed = false;
  try {
    do {
      if (Running) {
        RunScript(context_);
        Running = false;
      }
      // The poll interval is real time: the manual test clock of the posix build must
      // neither stop it (the idle thread would spin) nor be advanced by it.
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (!Stop);
  } catch (const std::exception& e) {
    failed = true;
    message = e.what();
  } catch (...) {
    failed = true;
  }
  if (failed && onError_) {
    // The production handler ends the process. Should one raise instead, the thread
    // still ends in order: an exception leaving a thread would terminate the process
    // without the report.
    try {
      onError_(message, kSetupThreadErrorType);
    } catch (...) {
    }
  }
  Running = false;
}

}  // namespace setup
