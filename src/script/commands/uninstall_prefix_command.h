#pragma once
// "prefix": the uninstall log's file name prefix (a setup information value).

#include "script/command_class.h"

namespace setup {

class TUninstallPrefixCommand final : public TCommandClass {
 public:
  TUninstallPrefixCommand();
};

}  // namespace setup
