#pragma once
// "pages": the wizard's page set (a setup information value).

#include "script/command_class.h"

namespace setup {

class TPagesCommand final : public TCommandClass {
 public:
  TPagesCommand();
};

}  // namespace setup
