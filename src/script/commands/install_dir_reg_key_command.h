#pragma once
// "installdirregkey": a registry place holding an existing installation's folder (a setup information value).

#include "script/command_class.h"

namespace setup {

class TInstallDirRegKeyCommand final : public TCommandClass {
 public:
  TInstallDirRegKeyCommand();
};

}  // namespace setup
