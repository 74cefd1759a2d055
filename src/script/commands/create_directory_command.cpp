#include "script/commands/create_directory_command.h"

namespace setup {

TCreateDirectoryCommand::TCreateDirectoryCommand() : TCommandClass("createdirectory", /*isHeader=*/false) {}

}  // namespace setup
