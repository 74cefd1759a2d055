#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/posix/posix_controls.h"

namespace setup::platform::posix {

namespace {
std::mutex rootMutex;
std::string& RootSetting() {
  static std::string root;
  return root;
}
}  // namespace

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
  std::string rest = local.substr(2);
  while (!rest.empty() && rest.front() == '/') rest.erase(rest.begin());
  std::string mapped = SandboxRoot() + "/" +
                       static_cast<char>(std::toupper(static_cast<unsigned char>(local[0])));
  if (!rest.empty()) mapped += "/" + rest;
  return mapped;
}

}  // namespace setup::platform::posix
