#include "script/commands/uninstall_log_load_command.h"

namespace setup {

TUninstallLogLoadCommand::TUninstallLogLoadCommand() : TCommandClass("uninstalllogload", /*isHeader=*/false) {}

}  // namespace setup
