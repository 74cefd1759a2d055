#pragma once
// "message": shows a text on the status line.

#include "script/command_class.h"

namespace setup {

class TMessageCommand final : public TCommandClass {
 public:
  TMessageCommand();
};

}  // namespace setup
