#pragma once
// "delete": deletes a file.

#include "script/command_class.h"

namespace setup {

class TDeleteCommand final : public TCommandClass {
 public:
  TDeleteCommand();
  // Parameter: path. It is expanded and the expanded text replaces the line's
  // parameter; a file there is deleted. Failures are silent; nothing is logged.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
