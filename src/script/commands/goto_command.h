#pragma once
// "goto": jumps to a line of the script.

#include "script/command_class.h"

namespace setup {

class TGotoCommand final : public TCommandClass {
 public:
  TGotoCommand();
  // Parameter: the target line. A target of 0 or more becomes CurrentLine, so the run
  // continues with the line after it (normally the label's own line comes first); -1
  // or a text that is no number does not jump.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
