#pragma once
// "duplicateentry": gives an entry of a KZP package file a second name.

#include "script/command_class.h"

namespace setup {

class TDuplicateEntryCommand final : public TCommandClass {
 public:
  TDuplicateEntryCommand();
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
