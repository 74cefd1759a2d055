#pragma once
// "messagebox": asks OK or Cancel and branches on the answer.

#include "script/command_class.h"

namespace setup {

class TMessageBoxCommand final : public TCommandClass {
 public:
  TMessageBoxCommand();
  // Parameters: text, caption, line on OK, line on Cancel. Text and caption have their
  // path variables expanded; the box has OK and Cancel and the question icon. The
  // answer's line n (when n >= 1) becomes CurrentLine n - 1, so the run continues with
  // line n itself; a line below 1 does not jump. Only the answer's own line counts:
  // OK with no OK line falls through even when a Cancel line is given.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
