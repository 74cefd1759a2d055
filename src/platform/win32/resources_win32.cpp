// Resource update of an executable through the system's update functions.
#include <windows.h>

#include "platform/resources.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

bool ReplaceIconImage(const std::string& exePath, uint16_t id, ByteView image) {
  // Updating with no data would delete the image and leave the icon group pointing at
  // nothing: an empty image changes nothing instead.
  if (image.empty() || image.size() > MAXDWORD) return false;
  HANDLE update = BeginUpdateResourceW(win32::AnsiToWideString(exePath).c_str(), FALSE);
  if (update == nullptr) return false;
  // The update function takes the data as non-const but only reads it.
  void* data = const_cast<uint8_t*>(image.data());
  if (!UpdateResourceW(update, RT_ICON, MAKEINTRESOURCEW(id), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                       data, static_cast<DWORD>(image.size()))) {
    EndUpdateResourceW(update, TRUE);  // discard
    return false;
  }
  return EndUpdateResourceW(update, FALSE) != 0;
}

}  // namespace setup::platform
