#pragma once
// "kzpupdate": merges one package group into a KZP package file of the product.

#include "script/command_class.h"

namespace setup {

class TKZPUpdateCommand final : public TCommandClass {
 public:
  TKZPUpdateCommand();
  uint8_t GroupKind() const override;
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
