#pragma once
// "writeregstr": writes a registry string value.

#include "script/command_class.h"

namespace setup {

class TWriteRegStrCommand final : public TCommandClass {
 public:
  TWriteRegStrCommand();
};

}  // namespace setup
