#pragma once
// "kzpofficial": sets or clears the official flag of a KZP package file.

#include "script/command_class.h"

namespace setup {

class TKZPOfficialCommand final : public TCommandClass {
 public:
  TKZPOfficialCommand();
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
