#pragma once
// "rmdir": removes a folder tree.

#include "script/command_class.h"

namespace setup {

class TRMDirCommand final : public TCommandClass {
 public:
  TRMDirCommand();
};

}  // namespace setup
