#include "script/command_class.h"

namespace setup {

void TCommandClass::Compile(int32_t /*lineIndex*/) {}

void TCommandClass::SFXProcess(SetupContext& /*context*/, int32_t /*lineIndex*/) {}

uint8_t TCommandClass::GroupKind() const { return kGroupKindNone; }

}  // namespace setup
