#include "script/commands/create_short_cut_command.h"

#include "script/path_variables.h"
#include "script/setup_context.h"
#include "script/shell_link.h"

namespace setup {

TCreateShortCutCommand::TCreateShortCutCommand() : TCommandClass("createshortcut", /*isHeader=*/false) {}

void TCreateShortCutCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  if (line == nullptr || line->Params.size() < 3) return;
  const auto expand = [&context](const std::string& text) {
    return ExpandVariables(text, context.SetupInfo, context.Variables);
  };
  const std::string linkPath = expand(line->Params[0]);
  const std::string target = expand(line->Params[1]);
  const std::string arguments = expand(line->Params[2]);
  const std::string icon = line->Params.size() >= 4 ? expand(line->Params[3]) : target;

  CreateShellLink(linkPath, target, arguments, icon, context.UninstallList);
  context.UninstallList.AddFile(linkPath);
}

}  // namespace setup
