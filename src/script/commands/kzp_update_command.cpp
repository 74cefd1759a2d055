#include "script/commands/kzp_update_command.h"

namespace setup {

TKZPUpdateCommand::TKZPUpdateCommand() : TCommandClass("kzpupdate", /*isHeader=*/false) {}

uint8_t TKZPUpdateCommand::GroupKind() const { return kGroupKindUpdate; }

}  // namespace setup
