#include "script/commands/copy_file_command.h"

namespace setup {

TCopyFileCommand::TCopyFileCommand() : TCommandClass("copyfile", /*isHeader=*/false) {}

}  // namespace setup
