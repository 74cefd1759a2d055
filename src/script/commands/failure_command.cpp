#include "script/commands/failure_command.h"

namespace setup {

TFailureCommand::TFailureCommand() : TCommandClass("failure", /*isHeader=*/false) {}

}  // namespace setup
