// The Windows version and system metrics from settable values.
#include <map>
#include <mutex>

#include "platform/os_version.h"
#include "platform/posix/posix_controls.h"

namespace setup::platform {

namespace {

OsVersion DefaultVersion() {
  OsVersion v;
  v.platformId = kPlatformWin32Nt;
  v.major = 6;
  v.minor = 1;
  v.build = 7601;
  v.csdVersion = "Service Pack 1";
  v.extended = true;
  v.servicePackMajor = 1;
  v.suiteMask = 0x0100;  // single user
  v.productType = kProductWorkstation;
  return v;
}

struct OsState {
  OsVersion version = DefaultVersion();
  std::map<int, int> metrics;
};

std::mutex stateMutex;
OsState& State() {
  static OsState state;
  return state;
}

}  // namespace

OsVersion QueryOsVersion() {
  std::lock_guard<std::mutex> lock(stateMutex);
  return State().version;
}

int SystemMetric(int index) {
  std::lock_guard<std::mutex> lock(stateMutex);
  const auto it = State().metrics.find(index);
  return it == State().metrics.end() ? 0 : it->second;
}

namespace posix {

void SetOsVersion(const OsVersion& version) {
  std::lock_guard<std::mutex> lock(stateMutex);
  State().version = version;
}

void SetSystemMetric(int index, int value) {
  std::lock_guard<std::mutex> lock(stateMutex);
  State().metrics[index] = value;
}

void ResetOsVersion() {
  std::lock_guard<std::mutex> lock(stateMutex);
  State() = OsState{};
}

}  // namespace posix

}  // namespace setup::platform
