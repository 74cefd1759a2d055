#include "script/commands/message_box_command.h"

namespace setup {

TMessageBoxCommand::TMessageBoxCommand() : TCommandClass("messagebox", /*isHeader=*/false) {}

}  // namespace setup
