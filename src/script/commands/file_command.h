#pragma once
// "file": extracts one package group into a folder.

#include "script/command_class.h"

namespace setup {

class TFileCommand final : public TCommandClass {
 public:
  TFileCommand();
  uint8_t GroupKind() const override;
};

}  // namespace setup
