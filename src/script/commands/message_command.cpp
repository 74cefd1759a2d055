#include "script/commands/message_command.h"

#include "platform/codepage.h"
#include "script/setup_context.h"

namespace setup {

TMessageCommand::TMessageCommand() : TCommandClass("message", /*isHeader=*/false) {}

void TMessageCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  if (line == nullptr || line->Params.empty()) return;
  context.HandOff.ReportStatus(context.Languages.ReplaceTags(platform::AnsiToWide(line->Params[0])));
}

}  // namespace setup
