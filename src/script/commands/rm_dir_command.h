#pragma once
// "rmdir": removes a folder tree.

#include "script/command_class.h"

namespace setup {

class TRMDirCommand final : public TCommandClass {
 public:
  TRMDirCommand();
  // Parameters: folder, flag. DeleteFolderTree of the expanded folder; the flag ("1")
  // is passed on but the whole tree is removed either way. Nothing is logged.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
