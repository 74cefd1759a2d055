#include "script/commands/goto_command.h"

namespace setup {

TGotoCommand::TGotoCommand() : TCommandClass("goto", /*isHeader=*/false) {}

}  // namespace setup
