#include "script/commands/kzp_official_command.h"

#include "script/kzp_run.h"
#include "script/setup_context.h"

namespace setup {

TKZPOfficialCommand::TKZPOfficialCommand() : TCommandClass("kzpofficial", /*isHeader=*/false) {}

// Parameters: target package (relative to the installation folder), scrambled marker
// word, flag text.
void TKZPOfficialCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  if (!context.CompiledLines.HasParams(lineIndex, 3)) return;
  UnscrambleParameterOnce(context, lineIndex, 1);
  const TCompLine& line = *context.CompiledLines.Find(lineIndex);
  RunKzpOperation(context, [&](TPakSystem& engine, TKzpHost& host) {
    return engine.SetOfficial(context.SetupInfo.InstallDir, line.Params[0], line.Params[1], line.Params[2], host);
  });
}

}  // namespace setup
