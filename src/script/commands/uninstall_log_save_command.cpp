#include "script/commands/uninstall_log_save_command.h"

namespace setup {

TUninstallLogSaveCommand::TUninstallLogSaveCommand() : TCommandClass("uninstalllogsave", /*isHeader=*/false) {}

}  // namespace setup
