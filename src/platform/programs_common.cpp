#include <atomic>
#include <mutex>

#include "platform/programs.h"

namespace setup::platform {

namespace {
std::atomic<bool> recording{false};
std::mutex requestsMutex;
std::vector<ProgramRequest>& Requests() {
  static std::vector<ProgramRequest> requests;
  return requests;
}
}  // namespace

void RecordProgramStarts(bool on) {
  std::lock_guard<std::mutex> lock(requestsMutex);
  if (on) Requests().clear();
  recording = on;
}

bool RecordProgramRequest(const ProgramRequest& request) {
  if (!recording) return false;  // the stub: one load
  std::lock_guard<std::mutex> lock(requestsMutex);
  if (!recording) return false;
  Requests().push_back(request);
  return true;
}

std::vector<ProgramRequest> RecordedProgramStarts() {
  std::lock_guard<std::mutex> lock(requestsMutex);
  return Requests();
}

}  // namespace setup::platform
