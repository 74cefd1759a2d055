#include "script/commands/uninstall_language_command.h"

namespace setup {

TUninstallLanguageCommand::TUninstallLanguageCommand() : TCommandClass("uninstalllanguage", /*isHeader=*/false) {}

}  // namespace setup
