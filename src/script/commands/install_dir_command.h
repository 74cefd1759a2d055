#pragma once
// "installdir": the default installation folder (a setup information value).

#include "script/command_class.h"

namespace setup {

class TInstallDirCommand final : public TCommandClass {
 public:
  TInstallDirCommand();
};

}  // namespace setup
