#pragma once
// The worker thread that runs the compiled script, so that the wizard stays responsive
// while files are extracted and archives rewritten.
//
// The wizard sets Running to ask for one run; the thread performs it (RunScript) and
// clears Running. Between runs it polls every millisecond until Stop is set. An error
// raised by any command goes to the error handler (the error report, which ends the
// process) with the error type "Setup Thread".

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace setup {

struct SetupContext;

inline constexpr const char* kSetupThreadErrorType = "Setup Thread";

// One run on the calling thread: the lines from CurrentLine + 1 on, following jumps,
// until the end of the script or SetupFailed; then the installation folder, the saved
// uninstall log and the uninstaller (when the setup asks for one), also after
// "failure". The component-object system is initialised for the calling thread during
// the run. Errors raised by commands propagate.
void RunScript(SetupContext& context);

class TSetupThread {
 public:
  // Receives the message of an error raised inside the thread, and the error type.
  // The production handler writes the error report and ends the process.
  using ErrorHandler = std::function<void(const std::string& message, const std::string& errorType)>;

  // Starts the thread at once, idle (both flags false).
  TSetupThread(SetupContext& context, ErrorHandler onError);
  // RequestStop, then waits for the thread without a time limit.
  ~TSetupThread();
  TSetupThread(const TSetupThread&) = delete;
  TSetupThread& operator=(const TSetupThread&) = delete;

  std::atomic<bool> Running{false};  // set by the wizard; cleared when the run is over
  std::atomic<bool> Stop{false};     // set to end the thread

  void RequestStop() { Stop = true; }
  // RequestStop and wait for the thread to end.
  void Join();

 private:
  void Execute();

  SetupContext& context_;
  ErrorHandler onError_;
  std::thread thread_;
};

}  // namespace setup
