#pragma once
// The error report for unexpected errors at a top-level handler. It writes a text file
// into the temporary folder (ErrorLog0000.TXT, ErrorLog0001.TXT, ...) describing the
// setup, its package, the error, the command line, Windows and the machine; tells the
// user where it is; opens it (not in an unattended run); and ends the process at once
// with exit code 5 (exit_code.h). When the file cannot be written the box still shows
// the error and says so.

#include <cstdint>
#include <functional>
#include <string>

namespace setup {

struct SetupContext;
class TRunLog;

// The setup whose name and package the report describes. Start-up registers its
// context as soon as it exists; without one (or with nullptr) those values stay empty.
// The context must still live when the report runs: register it outside the try block
// whose handler calls WriteErrorReport, or the handler finds it gone.
void SetErrorReportContext(const SetupContext* context);

// Registers a context for its own lifetime.
class ErrorReportContextScope {
 public:
  explicit ErrorReportContextScope(const SetupContext& context) { SetErrorReportContext(&context); }
  ~ErrorReportContextScope() { SetErrorReportContext(nullptr); }
  ErrorReportContextScope(const ErrorReportContextScope&) = delete;
  ErrorReportContextScope& operator=(const ErrorReportContextScope&) = delete;
};

// The run's log, which the report writes the error into and keeps; unattended, the
// report file is not opened for the user (the box goes to the log, see message_log.h).
// nullptr: no log.
void SetErrorReportLog(TRunLog* log, bool unattended);

// errorType: "Verification Stage", "Setup Thread", or empty (reported as "Unknown").
// Safe from any thread; a second report waits for the first, which ends the process.
[[noreturn]] void WriteErrorReport(const std::string& errorText, const std::string& errorType);

// The processor speed in MHz, the larger of two time-stamp counter measurements over
// 500 ms each at real-time priority. Takes about a second.
uint32_t MeasureCpuSpeed();

// WriteErrorReport with another speed measurement in place of MeasureCpuSpeed.
using CpuSpeedMeasure = std::function<uint32_t()>;
[[noreturn]] void WriteErrorReport(const std::string& errorText, const std::string& errorType,
                                   const CpuSpeedMeasure& measureCpuSpeed);

}  // namespace setup
