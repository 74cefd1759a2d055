#include "script/commands/failure_command.h"

#include "script/setup_context.h"

namespace setup {

namespace {
constexpr uint16_t kSetupFailedText = 23;  // "Setup failed to install patch."
}  // namespace

TFailureCommand::TFailureCommand() : TCommandClass("failure", /*isHeader=*/false) {}

void TFailureCommand::SFXProcess(SetupContext& context, int32_t /*lineIndex*/) {
  context.HandOff.SetFinishText(context.Languages.GetString(kSetupFailedText), /*repaint=*/true);
  context.Run.SetupFailed = true;
}

}  // namespace setup
