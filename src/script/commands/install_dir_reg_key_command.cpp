#include "script/commands/install_dir_reg_key_command.h"

namespace setup {

TInstallDirRegKeyCommand::TInstallDirRegKeyCommand() : TCommandClass("installdirregkey", /*isHeader=*/true) {}

}  // namespace setup
