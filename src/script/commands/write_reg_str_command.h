#pragma once
// "writeregstr" (root, key, value name, value): writes a registry string value.

#include "script/command_class.h"

namespace setup {

class TWriteRegStrCommand final : public TCommandClass {
 public:
  TWriteRegStrCommand();

  // Opens (creating) the key below the root named by parameter 1, writes parameter 4,
  // expanded, as the value named by parameter 3, and records the four parameters as
  // written in the script in the uninstall log. A key that cannot be opened leaves the
  // value unwritten and is not reported; the log line is recorded all the same. A line
  // with fewer than four parameters does nothing.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
