#include "script/commands/message_box_command.h"

#include "platform/dialogs.h"
#include "script/line_params.h"
#include "script/setup_context.h"

namespace setup {

TMessageBoxCommand::TMessageBoxCommand() : TCommandClass("messagebox", /*isHeader=*/false) {}

void TMessageBoxCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  const int32_t onOk = LineParamNumber(line, 2);
  const int32_t onCancel = LineParamNumber(line, 3);
  const std::string text = ExpandVariables(LineParam(line, 0), context.SetupInfo, context.Variables);
  const std::string caption = ExpandVariables(LineParam(line, 1), context.SetupInfo, context.Variables);
  const int answer = platform::ShowMessage(text, caption, platform::MessageButtons::OkCancel,
                                           platform::MessageIcon::Question);
  const int32_t target = answer == platform::kAnswerOk ? onOk : onCancel;
  if (target >= 1) context.Run.CurrentLine = target - 1;
}

}  // namespace setup
