#pragma once
// "duplicateentry": gives a KZP package entry a second name.

#include "script/command_class.h"

namespace setup {

class TDuplicateEntryCommand final : public TCommandClass {
 public:
  TDuplicateEntryCommand();
};

}  // namespace setup
