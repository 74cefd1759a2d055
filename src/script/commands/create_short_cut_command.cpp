#include "script/commands/create_short_cut_command.h"

namespace setup {

TCreateShortCutCommand::TCreateShortCutCommand() : TCommandClass("createshortcut", /*isHeader=*/false) {}

}  // namespace setup
