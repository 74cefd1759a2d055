#include "script/commands/install_dir_command.h"

namespace setup {

TInstallDirCommand::TInstallDirCommand() : TCommandClass("installdir", /*isHeader=*/true) {}

}  // namespace setup
