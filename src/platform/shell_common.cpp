#include <mutex>

#include "platform/shell.h"

namespace setup::platform {

namespace {
std::mutex redirectMutex;
std::string& RedirectFolder() {
  static std::string folder;
  return folder;
}
}  // namespace

void RedirectSpecialFolders(const std::string& folder) {
  std::lock_guard<std::mutex> lock(redirectMutex);
  RedirectFolder() = folder;
  while (!RedirectFolder().empty() && (RedirectFolder().back() == '\\' || RedirectFolder().back() == '/')) {
    RedirectFolder().pop_back();
  }
}

std::optional<std::string> RedirectedSpecialFolder(int csidl) {
  std::lock_guard<std::mutex> lock(redirectMutex);
  if (RedirectFolder().empty()) return std::nullopt;
  switch (csidl) {
    case kFolderDesktop: return RedirectFolder() + "\\Desktop";
    case kFolderPrograms: return RedirectFolder() + "\\Programs";
    case kFolderAppData: return RedirectFolder() + "\\AppData";
    case kFolderProgramFiles: return RedirectFolder() + "\\Program Files";
    default: return std::string();  // a folder the setup does not use: none
  }
}

}  // namespace setup::platform
