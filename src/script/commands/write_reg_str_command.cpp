#include "script/commands/write_reg_str_command.h"

namespace setup {

TWriteRegStrCommand::TWriteRegStrCommand() : TCommandClass("writeregstr", /*isHeader=*/false) {}

}  // namespace setup
