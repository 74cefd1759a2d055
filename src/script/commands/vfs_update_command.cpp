#include "script/commands/vfs_update_command.h"

#include <limits>

#include "script/setup_context.h"
#include "script/vfs_update.h"
#include "text/integer_text.h"

namespace setup {

TVFSUpdateCommand::TVFSUpdateCommand() : TCommandClass("vfsupdate", /*isHeader=*/false) {}

uint8_t TVFSUpdateCommand::GroupKind() const { return kGroupKindUpdate; }

void TVFSUpdateCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  if (line == nullptr || line->Params.size() < 3) return;
  // The group is always the last parameter; a text that is no number raises.
  const int32_t group = TextToInt(line->Params.back());
  if (group < 0 || group > std::numeric_limits<uint16_t>::max()) return;
  const bool closeAfterwards = line->Params.size() <= 3 || line->Params[2] == "1";
  UpdateVfsArchive(context, static_cast<uint16_t>(group), line->Params[1], closeAfterwards);
}

}  // namespace setup
