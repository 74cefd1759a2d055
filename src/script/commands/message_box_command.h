#pragma once
// "messagebox": asks OK or Cancel and branches on the answer.

#include "script/command_class.h"

namespace setup {

class TMessageBoxCommand final : public TCommandClass {
 public:
  TMessageBoxCommand();
};

}  // namespace setup
