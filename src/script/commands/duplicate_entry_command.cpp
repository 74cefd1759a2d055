#include "script/commands/duplicate_entry_command.h"

#include "script/kzp_run.h"
#include "script/setup_context.h"

namespace setup {

TDuplicateEntryCommand::TDuplicateEntryCommand() : TCommandClass("duplicateentry", /*isHeader=*/false) {}

// Parameters, used as they stand: package (relative to the installation folder),
// existing entry name, new entry name.
void TDuplicateEntryCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  if (!context.CompiledLines.HasParams(lineIndex, 3)) return;
  const TCompLine& line = *context.CompiledLines.Find(lineIndex);
  RunKzpOperation(context, [&](TPakSystem& engine, TKzpHost& host) {
    return engine.DuplicateEntry(context.SetupInfo.InstallDir, line.Params[0], line.Params[1], line.Params[2], host);
  });
}

}  // namespace setup
