#include "script/commands/delete_command.h"

#include "platform/files.h"
#include "script/line_params.h"
#include "script/setup_context.h"

namespace setup {

TDeleteCommand::TDeleteCommand() : TCommandClass("delete", /*isHeader=*/false) {}

void TDeleteCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  TCompLine* line = context.CompiledLines.Find(lineIndex);
  const std::string path = ExpandVariables(LineParam(line, 0), context.SetupInfo, context.Variables);
  // The expanded text takes the place of the line's own.
  if (line != nullptr && !line->Params.empty()) line->Params[0] = path;
  if (platform::FileExists(path)) platform::RemoveFile(path);
}

}  // namespace setup
