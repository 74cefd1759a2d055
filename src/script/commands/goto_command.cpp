#include "script/commands/goto_command.h"

#include "script/line_params.h"
#include "script/setup_context.h"

namespace setup {

TGotoCommand::TGotoCommand() : TCommandClass("goto", /*isHeader=*/false) {}

void TGotoCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const int32_t target = LineParamNumber(context.CompiledLines.Find(lineIndex), 0);
  if (target >= 0) context.Run.CurrentLine = target;
}

}  // namespace setup
