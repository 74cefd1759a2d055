#include "script/commands/create_directory_command.h"

#include "script/line_params.h"
#include "script/setup_context.h"

namespace setup {

TCreateDirectoryCommand::TCreateDirectoryCommand() : TCommandClass("createdirectory", /*isHeader=*/false) {}

void TCreateDirectoryCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  const std::string folder = ExpandVariables(LineParam(line, 0), context.SetupInfo, context.Variables);
  ForceDirectoriesLogged(folder, context.UninstallList);
  context.UninstallList.AddFolder(folder);
}

}  // namespace setup
