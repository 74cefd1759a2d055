#pragma once
// "createshortcut": creates a shell shortcut.

#include "script/command_class.h"

namespace setup {

class TCreateShortCutCommand final : public TCommandClass {
 public:
  TCreateShortCutCommand();
};

}  // namespace setup
