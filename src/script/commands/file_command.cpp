#include "script/commands/file_command.h"

namespace setup {

TFileCommand::TFileCommand() : TCommandClass("file", /*isHeader=*/false) {}

uint8_t TFileCommand::GroupKind() const { return kGroupKindExtract; }

}  // namespace setup
