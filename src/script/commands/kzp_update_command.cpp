#include "script/commands/kzp_update_command.h"

#include <limits>

#include "script/kzp_run.h"
#include "script/setup_context.h"
#include "text/integer_text.h"

namespace setup {

TKZPUpdateCommand::TKZPUpdateCommand() : TCommandClass("kzpupdate", /*isHeader=*/false) {}

uint8_t TKZPUpdateCommand::GroupKind() const { return kGroupKindUpdate; }

// Parameters: source folder (the authoring side's), scrambled password, target package
// (relative to the installation folder), group.
void TKZPUpdateCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  if (!context.CompiledLines.HasParams(lineIndex, 4)) return;
  UnscrambleParameterOnce(context, lineIndex, 1);
  const TCompLine& line = *context.CompiledLines.Find(lineIndex);
  // The group is always the last parameter; a text that is no number raises.
  const int32_t group = TextToInt(line.Params.back());
  if (group < 0 || group > std::numeric_limits<uint16_t>::max()) return;
  RunKzpOperation(context, [&](TPakSystem& engine, TKzpHost& host) {
    return engine.Update(context.Package, context.SetupInfo.InstallDir, static_cast<uint16_t>(group),
                         line.Params[2], line.Params[1], host);
  });
}

}  // namespace setup
