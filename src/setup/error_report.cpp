#include "setup/error_report.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "script/run_log.h"
#include "script/setup_context.h"
#include "setup/exit_code.h"
#include "setup/error_report_text.h"

namespace setup {

namespace {

std::atomic<const SetupContext*> reportContext{nullptr};
std::atomic<TRunLog*> reportLog{nullptr};
std::atomic<bool> reportUnattended{false};

ErrorReportFacts GatherFacts(const std::string& errorText, const std::string& errorType,
                             const CpuSpeedMeasure& measureCpuSpeed) {
  ErrorReportFacts facts;
  if (const SetupContext* context = reportContext.load()) {
    facts.SetupName = context->SetupInfo.SetupName;
    facts.SetupExeName = context->SetupInfo.SetupExeName;
    if (context->Package.Trailer().HasMagic()) facts.Trailer = context->Package.Trailer();
  }
  facts.ErrorType = errorType;
  facts.ErrorText = errorText;
  facts.Arguments = platform::CommandLineArguments();
  facts.OS = TOSInfo::OfThisSystem();
  facts.PhysicalMemory = platform::TotalPhysicalMemory();
  facts.CpuSpeedMhz = measureCpuSpeed ? measureCpuSpeed() : 0;
  return facts;
}

// The temporary folder (it ends in "\" already), "\", and the first free name.
std::string NextErrorLogPath() {
  const std::string folder = platform::TemporaryFolder() + "\\";
  uint32_t number = 0;
  std::string path = folder + ErrorLogFileName(number);
  while ((platform::FileExists(path) || platform::DirectoryExists(path)) && number < UINT32_MAX) {
    path = folder + ErrorLogFileName(++number);
  }
  return path;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  platform::File file;
  return file.Open(path, platform::OpenMode::CreateAlways) && file.Write(text.data(), text.size());
}

uint32_t MeasureOnce() {
  // Both readings from one processor's counter.
  const platform::FirstProcessorScope firstProcessor;
  const uint32_t priorityClass = platform::ProcessPriorityClass();
  const int threadPriority = platform::ThreadPriority();
  platform::SetProcessPriorityClass(platform::kRealtimePriorityClass);
  platform::SetThreadPriority(platform::kThreadPriorityTimeCritical);
  platform::SleepMs(10);
  const uint64_t start = platform::TimeStampCounter();
  platform::SleepMs(500);
  const uint64_t cycles = platform::TimeStampCounter() - start;
  platform::SetThreadPriority(threadPriority);
  platform::SetProcessPriorityClass(priorityClass);
  // Cycles in 500 ms / 500,000 = cycles per microsecond, to the nearest MHz.
  return static_cast<uint32_t>((cycles + 250000) / 500000);
}

}  // namespace

void SetErrorReportContext(const SetupContext* context) { reportContext = context; }

void SetErrorReportLog(TRunLog* log, bool unattended) {
  reportLog = log;
  reportUnattended = unattended;
}

uint32_t MeasureCpuSpeed() {
  const uint32_t first = MeasureOnce();
  return std::max(first, MeasureOnce());
}

void WriteErrorReport(const std::string& errorText, const std::string& errorType) {
  WriteErrorReport(errorText, errorType, MeasureCpuSpeed);
}

void WriteErrorReport(const std::string& errorText, const std::string& errorType,
                      const CpuSpeedMeasure& measureCpuSpeed) {
  // One report at a time. Recursive, because the box's message loop may run a
  // handler of this thread that fails too; that report then ends the process.
  static std::recursive_mutex reportMutex;
  std::lock_guard<std::recursive_mutex> lock(reportMutex);

  std::string path;
  bool written = false;
  try {
    const std::string text = ErrorReportText(GatherFacts(errorText, errorType, measureCpuSpeed));
    path = NextErrorLogPath();
    written = WriteTextFile(path, text);
  } catch (...) {
    // Whatever went wrong here, the error itself still reaches the user below.
    written = false;
  }

  if (TRunLog* log = reportLog.load()) {
    log->Write({"internal error (", errorType.empty() ? std::string_view("Unknown") : errorType, "): ", errorText,
                written ? ", error report " : "", written ? path : std::string_view()});
    log->Write({"exit code ", std::to_string(ToProcessExitCode(ExitCode::InternalError))});
    log->MarkFailed();
  }
  platform::ShowMessage(written ? ErrorReportCreatedMessage(errorType, errorText, path)
                                : ErrorReportNotWrittenMessage(errorType, errorText, path),
                        "Error Report");
  if (written && !reportUnattended) platform::OpenDocumentMaximized(path);
  platform::TerminateProcess(ToProcessExitCode(ExitCode::InternalError));
}

}  // namespace setup
