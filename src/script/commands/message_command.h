#pragma once
// "message" (text): shows a text on the status line.

#include "script/command_class.h"

namespace setup {

class TMessageCommand final : public TCommandClass {
 public:
  TMessageCommand();

  // Reports the text as status after its "<LANGn>" tags have been replaced by the
  // current language's texts; path variables are not expanded. A line without
  // parameters does nothing.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
