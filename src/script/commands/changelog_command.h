#pragma once
// "changelog": the changelog shown by the wizard (a setup information value).

#include "script/command_class.h"

namespace setup {

class TChangelogCommand final : public TCommandClass {
 public:
  TChangelogCommand();
};

}  // namespace setup
