#include "script/commands/duplicate_entry_command.h"

namespace setup {

TDuplicateEntryCommand::TDuplicateEntryCommand() : TCommandClass("duplicateentry", /*isHeader=*/false) {}

}  // namespace setup
