#pragma once
// "writeregstr_url": registers a URL protocol.

#include "script/command_class.h"

namespace setup {

class TWriteRegStr_URLCommand final : public TCommandClass {
 public:
  TWriteRegStr_URLCommand();
};

}  // namespace setup
