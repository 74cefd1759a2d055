#include "script/commands/if_file_exists_command.h"

namespace setup {

TIfFileExistsCommand::TIfFileExistsCommand() : TCommandClass("iffileexists", /*isHeader=*/false) {}

}  // namespace setup
