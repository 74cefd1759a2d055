#pragma once
// "outfile": the setup's executable name (a setup information value).

#include "script/command_class.h"

namespace setup {

class TOutFileCommand final : public TCommandClass {
 public:
  TOutFileCommand();
};

}  // namespace setup
