#pragma once
// "iffileexists": branches on whether a file exists.

#include "script/command_class.h"

namespace setup {

class TIfFileExistsCommand final : public TCommandClass {
 public:
  TIfFileExistsCommand();
  // Parameters: path, line if present, line if absent. The path is resolved for CD-ROM
  // drives ("$CDDRIVE"), then its path variables are expanded; the branch taken jumps
  // like "goto" unless its line is -1 (or no number).
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
