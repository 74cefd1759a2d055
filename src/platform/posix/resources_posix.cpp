// Executables of this build carry no Windows resources to update.
#include "platform/resources.h"

namespace setup::platform {

bool ReplaceIconImage(const std::string& /*exePath*/, uint16_t /*id*/, ByteView /*image*/) { return false; }

}  // namespace setup::platform
