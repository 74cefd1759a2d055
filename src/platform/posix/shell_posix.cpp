// Special folders from a settable table of Windows-style paths.
#include <map>
#include <mutex>

#include "platform/posix/shell_controls.h"
#include "platform/shell.h"

namespace setup::platform {

namespace {

std::map<int, std::string> DefaultFolders() {
  return {
      {kFolderDesktop, "C:\\Users\\User\\Desktop"},
      {kFolderPrograms, "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
      {kFolderAppData, "C:\\Users\\User\\AppData\\Roaming"},
      {kFolderProgramFiles, "C:\\Program Files"},
  };
}

std::mutex foldersMutex;
std::map<int, std::string>& Folders() {
  static std::map<int, std::string> folders = DefaultFolders();
  return folders;
}

std::string Lookup(int csidl) {
  std::lock_guard<std::mutex> lock(foldersMutex);
  const auto it = Folders().find(csidl);
  return it == Folders().end() ? std::string() : it->second;
}

}  // namespace

std::string SpecialFolderLocation(int csidl, void* /*owner*/) { return Lookup(csidl); }

std::string SpecialFolderPath(int csidl) { return Lookup(csidl); }

namespace posix {

void SetSpecialFolder(int csidl, const std::string& path) {
  std::lock_guard<std::mutex> lock(foldersMutex);
  Folders()[csidl] = path;
}

void ResetSpecialFolders() {
  std::lock_guard<std::mutex> lock(foldersMutex);
  Folders() = DefaultFolders();
}

}  // namespace posix

}  // namespace setup::platform
