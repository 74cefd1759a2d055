#include "script/commands/language_command.h"

namespace setup {

TLanguageCommand::TLanguageCommand() : TCommandClass("language", /*isHeader=*/false) {}

}  // namespace setup
