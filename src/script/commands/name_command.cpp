#include "script/commands/name_command.h"

namespace setup {

TNameCommand::TNameCommand() : TCommandClass("name", /*isHeader=*/true) {}

}  // namespace setup
