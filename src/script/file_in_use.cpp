#include "script/file_in_use.h"

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "script/setup_context.h"
#include "script/setup_failure.h"

namespace setup {

std::string FileInUseMessage(const std::string& path) {
  return "Error: The file is in use by another program:\r" + path +
         "\r\rClose the program, then press Retry. Cancel stops the setup.";
}

bool OpenPayloadFile(SetupContext& context, const std::string& target, platform::File& out) {
  for (uint32_t tries = 1;; ++tries) {
    if (out.Open(target, platform::OpenMode::CreateAlways)) return true;
    if (!platform::LastOpenFailedInUse()) {
      context.Log.Write({"file not written: ", target});
      return false;
    }
    bool retry;
    if (context.Unattended) {
      retry = tries < kUnattendedOpenTries;
      context.Log.Write({"file in use by another program: ", target, retry ? ", trying again" : ", giving up after ",
                         retry ? std::string() : std::to_string(tries), retry ? "" : " tries"});
      if (retry) platform::SleepMs(kUnattendedRetryPauseMs);
    } else {
      retry = platform::ShowMessage(FileInUseMessage(target), std::string(kFileInUseCaption),
                                    platform::MessageButtons::RetryCancel,
                                    platform::MessageIcon::Warning) == platform::kAnswerRetry;
    }
    if (!retry) {
      MarkSetupFailed(context);
      return false;
    }
  }
}

}  // namespace setup
