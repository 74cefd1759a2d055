// The environment block: the process's own (environ) or one a test set.
#include <mutex>
#include <optional>

#include "platform/environment.h"
#include "platform/posix/shell_controls.h"

extern char** environ;

namespace setup::platform {

namespace {
std::mutex blockMutex;
std::optional<std::vector<std::string>>& BlockSetting() {
  static std::optional<std::vector<std::string>> block;
  return block;
}
}  // namespace

std::vector<std::string> EnvironmentStrings() {
  {
    std::lock_guard<std::mutex> lock(blockMutex);
    if (BlockSetting()) return *BlockSetting();
  }
  std::vector<std::string> strings;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) strings.emplace_back(*entry);
  return strings;
}

namespace posix {

void SetEnvironmentBlock(const std::vector<std::string>& strings) {
  std::lock_guard<std::mutex> lock(blockMutex);
  BlockSetting() = strings;
}

void UseProcessEnvironment() {
  std::lock_guard<std::mutex> lock(blockMutex);
  BlockSetting().reset();
}

}  // namespace posix

}  // namespace setup::platform
