#include "script/commands/file_command.h"

#include <limits>

#include "platform/dialogs.h"
#include "script/extract_group.h"
#include "script/file_operations.h"
#include "script/line_params.h"
#include "script/setup_context.h"
#include "text/integer_text.h"

namespace setup {

TFileCommand::TFileCommand() : TCommandClass("file", /*isHeader=*/false) {}

uint8_t TFileCommand::GroupKind() const { return kGroupKindExtract; }

void TFileCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  const size_t count = line == nullptr ? 0 : line->Params.size();
  if (count != 1 && count != 2 && count != 3 && count != 8) {
    platform::ShowMessage(kParamCountMessage, kParamCountCaption);
    return;
  }
  // The group is always the last parameter; a text that is no number raises.
  const int32_t group = TextToInt(line->Params.back());
  if (group < 0 || group > std::numeric_limits<uint16_t>::max()) return;
  const auto groupNumber = static_cast<uint16_t>(group);

  if (count == 3) {
    const std::string destination =
        MakeInstallPath(context, ExpandVariables(line->Params[1], context.SetupInfo, context.Variables));
    ExtractGroupTo(context, destination, groupNumber);
  } else if (count == 8) {
    if (RegistryCondition(line->Params[2], line->Params[3], line->Params[4], line->Params[5], line->Params[6])) {
      ExtractGroupTo(context, AddBackslash(context.SetupInfo.InstallDir) + AddBackslash(line->Params[1]),
                     groupNumber);
    }
  } else {
    ExtractGroupTo(context, context.SetupInfo.InstallDir, groupNumber);
  }
}

}  // namespace setup
