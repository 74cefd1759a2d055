#include "script/commands/rename_command.h"

namespace setup {

TRenameCommand::TRenameCommand() : TCommandClass("rename", /*isHeader=*/false) {}

}  // namespace setup
