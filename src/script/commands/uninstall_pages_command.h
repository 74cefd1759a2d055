#pragma once
// "uninstallpages": the uninstaller's page set (a setup information value).

#include "script/command_class.h"

namespace setup {

class TUninstallPagesCommand final : public TCommandClass {
 public:
  TUninstallPagesCommand();
};

}  // namespace setup
