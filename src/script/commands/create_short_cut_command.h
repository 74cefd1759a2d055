#pragma once
// "createshortcut" (link, target, arguments, [icon]): creates a shell shortcut.

#include "script/command_class.h"

namespace setup {

class TCreateShortCutCommand final : public TCommandClass {
 public:
  TCreateShortCutCommand();

  // CreateShellLink with every parameter expanded; without an icon parameter the icon
  // is the target (so none is set). Records the link file in the uninstall log after
  // the attempt, saved or not. A line with fewer than three parameters does nothing.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
