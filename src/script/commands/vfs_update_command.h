#pragma once
// "vfsupdate": writes one package group into a VFS archive of the product.

#include "script/command_class.h"

namespace setup {

class TVFSUpdateCommand final : public TCommandClass {
 public:
  TVFSUpdateCommand();
  uint8_t GroupKind() const override;
};

}  // namespace setup
