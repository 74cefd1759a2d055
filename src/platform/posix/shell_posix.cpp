// Special folders from a settable table of Windows-style paths.
#include <map>
#include <mutex>

#include "platform/posix/posix_controls.h"
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

namespace {
std::mutex documentsMutex;
std::vector<std::string>& Documents() {
  static std::vector<std::string> documents;
  return documents;
}
}  // namespace

bool OpenDocumentMaximized(const std::string& path, void* /*owner*/) {
  std::lock_guard<std::mutex> lock(documentsMutex);
  Documents().push_back(path);
  return true;
}

std::vector<std::string> posix::OpenedDocuments() {
  std::lock_guard<std::mutex> lock(documentsMutex);
  return Documents();
}

void posix::ResetOpenedDocuments() {
  std::lock_guard<std::mutex> lock(documentsMutex);
  Documents().clear();
}

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
