#include "script/group_kinds.h"

namespace setup {

std::vector<uint8_t> BuildGroupKinds(const TCompLines& lines, const TCommandList& commands) {
  std::vector<uint8_t> kinds{0};
  for (const TCompLine& line : lines.Lines()) {
    const TCommandClass* command = commands.CommandById(line.CommandId);
    if (command == nullptr) continue;
    switch (command->GroupKind()) {
      case kGroupKindExtract:
        kinds.push_back(0);
        break;
      case kGroupKindUpdate:
        kinds.push_back(1);
        break;
      default:
        break;
    }
  }
  return kinds;
}

int64_t RequiredSpace(const TPak& package, const std::vector<uint8_t>& groupKinds) {
  int64_t total = 0;
  for (const TPakEntry& entry : package.Entries()) {
    if (entry.Group == 0 || entry.Group >= groupKinds.size()) continue;
    total += groupKinds[entry.Group] == 0 ? entry.Size : entry.StoredLength();
  }
  return total;
}

}  // namespace setup
