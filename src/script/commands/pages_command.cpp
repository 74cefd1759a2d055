#include "script/commands/pages_command.h"

namespace setup {

TPagesCommand::TPagesCommand() : TCommandClass("pages", /*isHeader=*/true) {}

}  // namespace setup
