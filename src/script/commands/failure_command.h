#pragma once
// "failure": ends the script as failed.

#include "script/command_class.h"

namespace setup {

class TFailureCommand final : public TCommandClass {
 public:
  TFailureCommand();
  // Puts the current language's text 23 on the finish page and sets SetupFailed, which
  // ends the line loop; the run still creates the folder, saves the log and builds the
  // uninstaller. The line's parameter is not read.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
