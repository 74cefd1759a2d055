#pragma once
// "language": adds a language file to the package when authoring; nothing at run time.

#include "script/command_class.h"

namespace setup {

class TLanguageCommand final : public TCommandClass {
 public:
  TLanguageCommand();
};

}  // namespace setup
