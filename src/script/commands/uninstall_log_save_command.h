#pragma once
// "uninstalllogsave": saves the uninstall log.

#include "script/command_class.h"

namespace setup {

class TUninstallLogSaveCommand final : public TCommandClass {
 public:
  TUninstallLogSaveCommand();
  // Parameters: folder, optional prefix. Saves the uninstall log as
  // <folder>\<prefix>install.log (the folder expanded); failures are silent.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
