#include "script/commands/execute_command.h"

namespace setup {

TExecuteCommand::TExecuteCommand() : TCommandClass("execute", /*isHeader=*/false) {}

}  // namespace setup
