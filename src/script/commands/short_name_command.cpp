#include "script/commands/short_name_command.h"

namespace setup {

TShortNameCommand::TShortNameCommand() : TCommandClass("shortname", /*isHeader=*/true) {}

}  // namespace setup
