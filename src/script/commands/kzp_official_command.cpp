#include "script/commands/kzp_official_command.h"

namespace setup {

TKZPOfficialCommand::TKZPOfficialCommand() : TCommandClass("kzpofficial", /*isHeader=*/false) {}

}  // namespace setup
