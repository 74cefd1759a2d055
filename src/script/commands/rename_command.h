#pragma once
// "rename": renames a file.

#include "script/command_class.h"

namespace setup {

class TRenameCommand final : public TCommandClass {
 public:
  TRenameCommand();
  // Parameters: old path, new path. Both are expanded and the expanded texts replace
  // the line's parameters; a file at the old path is renamed to the new one. Failures
  // are silent; nothing is logged.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
