#pragma once
// "iffileexists": branches on whether a file exists.

#include "script/command_class.h"

namespace setup {

class TIfFileExistsCommand final : public TCommandClass {
 public:
  TIfFileExistsCommand();
};

}  // namespace setup
