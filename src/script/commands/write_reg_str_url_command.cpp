#include "script/commands/write_reg_str_url_command.h"

namespace setup {

TWriteRegStr_URLCommand::TWriteRegStr_URLCommand() : TCommandClass("writeregstr_url", /*isHeader=*/false) {}

}  // namespace setup
