#pragma once
// "uninstalllogload": loads an existing uninstall log.

#include "script/command_class.h"

namespace setup {

class TUninstallLogLoadCommand final : public TCommandClass {
 public:
  TUninstallLogLoadCommand();
  // Parameters: folder, optional prefix. Loads <folder>\<prefix>install.log (the folder
  // expanded) into the uninstall log, replacing what it held; a missing file changes
  // nothing.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
