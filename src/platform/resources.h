#pragma once
// Resource update of an executable file.

#include <cstdint>
#include <string>

#include "base/byte_io.h"

namespace setup::platform {

// Replaces (or adds) the icon-image resource (type 3) with the given identifier and
// language 0 in the executable at exePath, keeping its other resources, and commits the
// update. True when committed. The posix build cannot change resources: always false.
bool ReplaceIconImage(const std::string& exePath, uint16_t id, ByteView image);

}  // namespace setup::platform
