#pragma once
// "delete": deletes a file.

#include "script/command_class.h"

namespace setup {

class TDeleteCommand final : public TCommandClass {
 public:
  TDeleteCommand();
};

}  // namespace setup
