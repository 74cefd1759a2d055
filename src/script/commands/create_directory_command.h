#pragma once
// "createdirectory": creates a folder and its missing parents.

#include "script/command_class.h"

namespace setup {

class TCreateDirectoryCommand final : public TCommandClass {
 public:
  TCreateDirectoryCommand();
};

}  // namespace setup
