#include "script/commands/uninstall_pages_command.h"

namespace setup {

TUninstallPagesCommand::TUninstallPagesCommand() : TCommandClass("uninstallpages", /*isHeader=*/true) {}

}  // namespace setup
