#pragma once
// "uninstalllanguage": adds an uninstaller language file to the package when authoring; nothing at run time.

#include "script/command_class.h"

namespace setup {

class TUninstallLanguageCommand final : public TCommandClass {
 public:
  TUninstallLanguageCommand();
};

}  // namespace setup
