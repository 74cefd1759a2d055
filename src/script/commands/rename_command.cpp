#include "script/commands/rename_command.h"

#include "platform/files.h"
#include "script/line_params.h"
#include "script/setup_context.h"

namespace setup {

TRenameCommand::TRenameCommand() : TCommandClass("rename", /*isHeader=*/false) {}

void TRenameCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  TCompLine* line = context.CompiledLines.Find(lineIndex);
  const std::string oldPath = ExpandVariables(LineParam(line, 0), context.SetupInfo, context.Variables);
  const std::string newPath = ExpandVariables(LineParam(line, 1), context.SetupInfo, context.Variables);
  // The expanded texts take the place of the line's own (those it has).
  if (line != nullptr) {
    if (line->Params.size() > 0) line->Params[0] = oldPath;
    if (line->Params.size() > 1) line->Params[1] = newPath;
  }
  if (platform::FileExists(oldPath)) platform::RenameFile(oldPath, newPath);
}

}  // namespace setup
