// Logical drives through the Windows API.
#include <windows.h>

#include <string_view>

#include "base/errors.h"
#include "platform/drives.h"
#include "platform/win32/system_message.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

std::vector<std::string> LogicalDriveRoots(size_t capacity) {
  const DWORD size = capacity > MAXDWORD ? MAXDWORD : static_cast<DWORD>(capacity);
  std::wstring buffer(static_cast<size_t>(size) + 1, L'\0');
  // The length written, without the final NUL; or, when the buffer is too small, the
  // size it would need.
  const DWORD length = GetLogicalDriveStringsW(size, buffer.data());
  if (length == 0) return {};
  if (length > size) {
    throw SetupError(
        win32::SystemMessage(ERROR_OUTOFMEMORY, "Not enough storage is available to complete this operation."));
  }
  std::vector<std::string> roots;
  const std::wstring_view list(buffer.data(), length);
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find(L'\0', start);
    if (end == std::wstring_view::npos) end = list.size();
    if (end > start) roots.push_back(win32::WideStringToAnsi(list.substr(start, end - start)));
    start = end + 1;
  }
  return roots;
}

DriveType DriveTypeOf(const std::string& root) {
  const UINT type = GetDriveTypeW(win32::AnsiToWideString(root).c_str());
  return type <= DRIVE_RAMDISK ? static_cast<DriveType>(type) : DriveType::Unknown;
}

std::optional<uint64_t> FreeDiskSpace(const std::string& root) {
  ULARGE_INTEGER availableToUser{};
  if (!GetDiskFreeSpaceExW(win32::AnsiToWideString(root).c_str(), &availableToUser, nullptr, nullptr)) {
    return std::nullopt;
  }
  return availableToUser.QuadPart;
}

}  // namespace setup::platform
