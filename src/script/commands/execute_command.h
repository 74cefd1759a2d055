#pragma once
// "execute": runs a program and waits for it.

#include "script/command_class.h"

namespace setup {

class TExecuteCommand final : public TCommandClass {
 public:
  TExecuteCommand();
};

}  // namespace setup
