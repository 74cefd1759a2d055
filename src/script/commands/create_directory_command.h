#pragma once
// "createdirectory": creates a folder and its missing parents.

#include "script/command_class.h"

namespace setup {

class TCreateDirectoryCommand final : public TCommandClass {
 public:
  TCreateDirectoryCommand();
  // Parameter: folder. Its missing folders are created, each recorded in the log, and
  // then the expanded folder itself is recorded (even when it existed before).
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
