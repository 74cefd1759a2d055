#pragma once
// "name": the setup's title (a setup information value).

#include "script/command_class.h"

namespace setup {

class TNameCommand final : public TCommandClass {
 public:
  TNameCommand();
};

}  // namespace setup
