#pragma once
// "copyfile": copies a file.

#include "script/command_class.h"

namespace setup {

class TCopyFileCommand final : public TCommandClass {
 public:
  TCopyFileCommand();
};

}  // namespace setup
