#pragma once
// "vfsupdate": writes one package group into a VFS archive of the product.
// Parameters: source folder (the authoring tool's), target archive (relative to the
// installation folder), [close flag], group. With three parameters or fewer the
// archive is closed afterwards; with four or more only when the flag is "1".

#include "script/command_class.h"

namespace setup {

class TVFSUpdateCommand final : public TCommandClass {
 public:
  TVFSUpdateCommand();
  uint8_t GroupKind() const override;
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
