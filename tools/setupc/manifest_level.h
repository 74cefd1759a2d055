#pragma once
// The execution level the setup's manifest asks Windows for. The stub asks for
// administrator rights ("requireAdministrator"); a per-user setup asks for none
// ("asInvoker"). The compiler rewrites the level in the setup's own copy of the stub, in
// place and padded with blanks to the same length, so that no offset, size or resource
// of the executable changes; the uninstaller, a copy of the setup's image, inherits it.

#include <optional>
#include <string>

#include "base/byte_io.h"

namespace setup::setupc {

// The level the manifest in image names; nothing when there is no manifest level.
std::optional<std::string> ManifestExecutionLevel(ByteView image);

// Rewrites the level of the executable at path (native) to "asInvoker". An error text,
// empty on success; the file is unchanged unless the level is found exactly once.
std::string RequestNoElevation(const std::string& path);

}  // namespace setup::setupc
