#include <cctype>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/posix/posix_controls.h"

namespace setup::platform::posix {

namespace {
std::mutex rootMutex;
std::string& RootSetting() {
  static std::string root;
  return root;
}

// Mounted folders: a drive path prefix in local form ("C:/Game", no "/" at its end)
// and the host folder it stands for.
std::vector<std::pair<std::string, std::string>>& Mounts() {
  static std::vector<std::pair<std::string, std::string>> mounts;
  return mounts;
}

bool SameLetters(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// The host path of a drive path in local form ("C:/Game/a") under a mounted folder;
// empty when it lies under none.
std::string MountedPath(const std::string& local) {
  std::lock_guard<std::mutex> lock(rootMutex);
  for (const auto& [prefix, host] : Mounts()) {
    if (local.size() < prefix.size() || (local.size() > prefix.size() && local[prefix.size()] != '/')) continue;
    if (!std::equal(prefix.begin(), prefix.end(), local.begin(), SameLetters)) continue;
    std::string rest = local.substr(prefix.size());
    while (!rest.empty() && rest.front() == '/') rest.erase(rest.begin());
    return rest.empty() ? host : host + "/" + rest;
  }
  return {};
}
}  // namespace

void MountFolder(const std::string& folder, const std::string& hostFolder) {
  std::string prefix = folder;
  for (char& c : prefix) {
    if (c == '\\') c = '/';
  }
  while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
  std::string host = hostFolder;
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  std::lock_guard<std::mutex> lock(rootMutex);
  std::erase_if(Mounts(), [&](const auto& mount) {
    return mount.first.size() == prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), mount.first.begin(), SameLetters);
  });
  if (!host.empty()) Mounts().emplace_back(prefix, host);
}

void UnmountFolders() {
  std::lock_guard<std::mutex> lock(rootMutex);
  Mounts().clear();
}

void SetSandboxRoot(const std::string& root) {
  std::lock_guard<std::mutex> lock(rootMutex);
  RootSetting() = root;
}

std::string SandboxRoot() {
  {
    std::lock_guard<std::mutex> lock(rootMutex);
    if (!RootSetting().empty()) return RootSetting();
  }
  if (const char* env = std::getenv("SETUP_SANDBOX_ROOT"); env != nullptr && *env != '\0') return env;
  return (std::filesystem::temp_directory_path() / "setup-sandbox").string();
}

std::string MapPath(const std::string& path) {
  std::string local = path;
  for (char& c : local) {
    if (c == '\\') c = '/';
  }
  const bool drivePath = local.size() >= 2 && std::isalpha(static_cast<unsigned char>(local[0])) &&
                         local[1] == ':';
  if (!drivePath) return local;
  if (std::string mounted = MountedPath(local); !mounted.empty()) return mounted;
  std::string rest = local.substr(2);
  while (!rest.empty() && rest.front() == '/') rest.erase(rest.begin());
  std::string mapped = SandboxRoot() + "/" +
                       static_cast<char>(std::toupper(static_cast<unsigned char>(local[0])));
  if (!rest.empty()) mapped += "/" + rest;
  return mapped;
}

}  // namespace setup::platform::posix
