#pragma once
// "failure": ends the script as failed.

#include "script/command_class.h"

namespace setup {

class TFailureCommand final : public TCommandClass {
 public:
  TFailureCommand();
};

}  // namespace setup
