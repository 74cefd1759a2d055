#include "script/commands/message_command.h"

namespace setup {

TMessageCommand::TMessageCommand() : TCommandClass("message", /*isHeader=*/false) {}

}  // namespace setup
