#include "script/commands/uninstall_log_save_command.h"

#include "script/line_params.h"
#include "script/setup_context.h"

namespace setup {

TUninstallLogSaveCommand::TUninstallLogSaveCommand() : TCommandClass("uninstalllogsave", /*isHeader=*/false) {}

void TUninstallLogSaveCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  context.UninstallList.Save(ExpandVariables(LineParam(line, 0), context.SetupInfo, context.Variables),
                             LineParam(line, 1));
}

}  // namespace setup
