#include "script/commands/if_file_exists_command.h"

#include "platform/files.h"
#include "script/cd_drive_path.h"
#include "script/line_params.h"
#include "script/setup_context.h"

namespace setup {

TIfFileExistsCommand::TIfFileExistsCommand() : TCommandClass("iffileexists", /*isHeader=*/false) {}

void TIfFileExistsCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  const int32_t ifPresent = LineParamNumber(line, 1);
  const int32_t ifAbsent = LineParamNumber(line, 2);
  const std::string path =
      ExpandVariables(ResolveCdDrivePath(LineParam(line, 0)), context.SetupInfo, context.Variables);
  const int32_t target = platform::FileExists(path) ? ifPresent : ifAbsent;
  if (target > -1) context.Run.CurrentLine = target;
}

}  // namespace setup
