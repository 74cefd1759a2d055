#include "script/commands/execute_command.h"

#include "platform/clock.h"
#include "platform/programs.h"
#include "script/path_variables.h"
#include "script/setup_context.h"

namespace setup {

TExecuteCommand::TExecuteCommand() : TCommandClass("execute", /*isHeader=*/false) {}

void TExecuteCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  TCompLine* line = context.CompiledLines.Find(lineIndex);
  if (line == nullptr || line->Params.empty()) return;
  for (size_t i = 0; i < line->Params.size() && i < 2; ++i) {
    line->Params[i] = ExpandVariables(line->Params[i], context.SetupInfo, context.Variables);
  }
  const std::string parameters = line->Params.size() >= 2 ? line->Params[1] : std::string();

  platform::RunningProgram program = platform::StartProgram(line->Params[0], parameters, nullptr);
  if (!program.IsValid()) return;
  for (;;) {
    // A failed query ends the wait too: it would fail again on every later poll.
    const std::optional<uint32_t> exitCode = program.ExitCode();
    if (!exitCode || *exitCode != platform::kStillActive) break;
    if (context.Run.SetupFailed || context.Run.ShuttingDown) break;
    platform::SleepMs(1);
  }
  program.Release();
}

}  // namespace setup
