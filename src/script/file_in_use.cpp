#include "script/file_in_use.h"

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "script/setup_context.h"
#include "script/setup_failure.h"

namespace setup {

namespace {

// Why target could not be written: a folder in its place, or the system's reason.
std::string FailureReason(const std::string& target) {
  if (platform::DirectoryExists(target)) return "A folder of the same name is in the way.";
  const std::string reason = platform::LastFileErrorText();
  return reason.empty() ? "The system gave no reason." : reason;
}

// One failed try on target: the box (Retry or Cancel), or unattended, the log line and
// the pause before the next try. True to try again; false once the run is marked
// failed.
bool RetryAfterFailure(SetupContext& context, const std::string& target, bool inUse, uint32_t tries) {
  const std::string reason = inUse ? std::string() : FailureReason(target);
  bool retry;
  if (context.Unattended) {
    retry = tries < kUnattendedOpenTries;
    const std::string outcome = retry ? ", trying again" : ", giving up after " + std::to_string(tries) + " tries";
    if (inUse) {
      context.Log.Write({"file in use by another program: ", target, outcome});
    } else {
      context.Log.Write({"file not written: ", target, " (", reason, ")", outcome});
    }
    if (retry) platform::SleepMs(kUnattendedRetryPauseMs);
  } else {
    if (!inUse) context.Log.Write({"file not written: ", target, " (", reason, ")"});
    retry = platform::ShowMessage(inUse ? FileInUseMessage(target) : FileNotWrittenMessage(target, reason),
                                  std::string(kFileInUseCaption), platform::MessageButtons::RetryCancel,
                                  platform::MessageIcon::Warning) == platform::kAnswerRetry;
  }
  if (!retry) MarkSetupFailed(context);
  return retry;
}

}  // namespace

std::string FileInUseMessage(const std::string& path) {
  return "Error: The file is in use by another program:\r" + path +
         "\r\rClose the program, then press Retry. Cancel stops the setup.";
}

std::string FileNotWrittenMessage(const std::string& path, const std::string& reason) {
  return "Error: The file could not be written:\r" + path + "\r" + reason +
         "\r\rPress Retry to try again. Cancel stops the setup.";
}

bool OpenPayloadFile(SetupContext& context, const std::string& target, platform::File& out) {
  for (uint32_t tries = 1;; ++tries) {
    if (out.Open(target, platform::OpenMode::CreateAlways)) return true;
    if (!RetryAfterFailure(context, target, platform::LastOpenFailedInUse(), tries)) return false;
  }
}

bool RetryPayloadWrite(SetupContext& context, const std::string& target, uint32_t tries) {
  return RetryAfterFailure(context, target, false, tries);
}

}  // namespace setup
