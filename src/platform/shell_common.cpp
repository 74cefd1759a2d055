#include <atomic>
#include <string>

#include "platform/shell.h"

namespace setup::platform {

namespace {
// Set only by tools (the stub pays one load for it).
std::atomic<const std::string*> redirectFolder{nullptr};
}  // namespace

void RedirectSpecialFolders(const std::string& folder) {
  std::string trimmed = folder;
  while (!trimmed.empty() && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
  static std::string held;
  redirectFolder = nullptr;
  if (trimmed.empty()) return;
  held = trimmed;
  redirectFolder = &held;
}

std::optional<std::string> RedirectedSpecialFolder(int csidl) {
  const std::string* folder = redirectFolder.load();
  if (folder == nullptr) return std::nullopt;
  switch (csidl) {
    case kFolderDesktop: return *folder + "\\Desktop";
    case kFolderPrograms: return *folder + "\\Programs";
    case kFolderAppData: return *folder + "\\AppData";
    case kFolderProgramFiles: return *folder + "\\Program Files";
    default: return std::string();  // a folder the setup does not use: none
  }
}

}  // namespace setup::platform
