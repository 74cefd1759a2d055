#pragma once
// "uninstalllogsave": saves the uninstall log.

#include "script/command_class.h"

namespace setup {

class TUninstallLogSaveCommand final : public TCommandClass {
 public:
  TUninstallLogSaveCommand();
};

}  // namespace setup
