#pragma once
// "rename": renames a file.

#include "script/command_class.h"

namespace setup {

class TRenameCommand final : public TCommandClass {
 public:
  TRenameCommand();
};

}  // namespace setup
