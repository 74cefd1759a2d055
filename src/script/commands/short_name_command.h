#pragma once
// "shortname": the setup's short title (a setup information value).

#include "script/command_class.h"

namespace setup {

class TShortNameCommand final : public TCommandClass {
 public:
  TShortNameCommand();
};

}  // namespace setup
