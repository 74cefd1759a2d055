// The Windows build of setupc is made without a YAML library (the cross toolchain has
// none); its "winget" command says so.
#include "setupc/winget_manifest.h"

namespace setup::setupc {

std::optional<WingetFiles> WingetManifests(const WingetPackage&) { return std::nullopt; }

}  // namespace setup::setupc
