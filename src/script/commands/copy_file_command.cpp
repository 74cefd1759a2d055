#include "script/commands/copy_file_command.h"

#include "base/text_replace.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "script/cd_drive_path.h"
#include "script/file_operations.h"
#include "script/line_params.h"
#include "script/setup_context.h"
#include "script/shell_link.h"

namespace setup {

namespace {
constexpr uint16_t kCopyingText = 17;  // "Copying File <%FILENAME%>"
}  // namespace

TCopyFileCommand::TCopyFileCommand() : TCommandClass("copyfile", /*isHeader=*/false) {}

void TCopyFileCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  const std::string source =
      ExpandVariables(ResolveCdDrivePath(LineParam(line, 0)), context.SetupInfo, context.Variables);
  const std::string destination = ExpandVariables(LineParam(line, 1), context.SetupInfo, context.Variables);

  ForceDirectoriesLogged(FolderPart(destination), context.UninstallList);
  context.HandOff.ReportStatus(ReplaceAll(context.Languages.GetString(kCopyingText), u"<%FILENAME%>",
                                          platform::AnsiToWide(ExtractFileName(source))));
  // The outcome is not checked: the destination is recorded either way, and the
  // uninstaller passes over a file that is not there.
  platform::CopyFileReplacing(source, destination);
  context.UninstallList.AddFile(destination);
}

}  // namespace setup
