#include "script/commands/rm_dir_command.h"

namespace setup {

TRMDirCommand::TRMDirCommand() : TCommandClass("rmdir", /*isHeader=*/false) {}

}  // namespace setup
