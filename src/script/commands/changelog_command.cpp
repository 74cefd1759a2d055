#include "script/commands/changelog_command.h"

namespace setup {

TChangelogCommand::TChangelogCommand() : TCommandClass("changelog", /*isHeader=*/true) {}

}  // namespace setup
