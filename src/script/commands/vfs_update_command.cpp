#include "script/commands/vfs_update_command.h"

namespace setup {

TVFSUpdateCommand::TVFSUpdateCommand() : TCommandClass("vfsupdate", /*isHeader=*/false) {}

uint8_t TVFSUpdateCommand::GroupKind() const { return kGroupKindUpdate; }

}  // namespace setup
