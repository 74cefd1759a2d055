#include "script/commands/failure_command.h"

#include "script/setup_failure.h"

namespace setup {

TFailureCommand::TFailureCommand() : TCommandClass("failure", /*isHeader=*/false) {}

void TFailureCommand::SFXProcess(SetupContext& context, int32_t /*lineIndex*/) { MarkSetupFailed(context); }

}  // namespace setup
