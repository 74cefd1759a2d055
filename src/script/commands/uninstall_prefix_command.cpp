#include "script/commands/uninstall_prefix_command.h"

namespace setup {

TUninstallPrefixCommand::TUninstallPrefixCommand() : TCommandClass("prefix", /*isHeader=*/true) {}

}  // namespace setup
