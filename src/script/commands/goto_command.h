#pragma once
// "goto": jumps to a line of the script.

#include "script/command_class.h"

namespace setup {

class TGotoCommand final : public TCommandClass {
 public:
  TGotoCommand();
};

}  // namespace setup
