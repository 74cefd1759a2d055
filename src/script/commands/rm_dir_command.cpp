#include "script/commands/rm_dir_command.h"

#include "script/file_operations.h"
#include "script/line_params.h"
#include "script/setup_context.h"

namespace setup {

TRMDirCommand::TRMDirCommand() : TCommandClass("rmdir", /*isHeader=*/false) {}

void TRMDirCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  DeleteFolderTree(ExpandVariables(LineParam(line, 0), context.SetupInfo, context.Variables),
                   LineParam(line, 1) == "1");
}

}  // namespace setup
