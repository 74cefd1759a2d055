#pragma once
// "uninstalllogload": loads an existing uninstall log.

#include "script/command_class.h"

namespace setup {

class TUninstallLogLoadCommand final : public TCommandClass {
 public:
  TUninstallLogLoadCommand();
};

}  // namespace setup
