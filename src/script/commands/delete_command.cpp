#include "script/commands/delete_command.h"

namespace setup {

TDeleteCommand::TDeleteCommand() : TCommandClass("delete", /*isHeader=*/false) {}

}  // namespace setup
