#include "script/commands/uninstall_log_load_command.h"

#include "script/line_params.h"
#include "script/setup_context.h"

namespace setup {

TUninstallLogLoadCommand::TUninstallLogLoadCommand() : TCommandClass("uninstalllogload", /*isHeader=*/false) {}

void TUninstallLogLoadCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  context.UninstallList.Load(ExpandVariables(LineParam(line, 0), context.SetupInfo, context.Variables),
                             LineParam(line, 1));
}

}  // namespace setup
