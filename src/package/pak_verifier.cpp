#include "package/pak_verifier.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "platform/system_info.h"

namespace setup {

namespace {

bool PassesUnread(const TPakEntry& entry) { return entry.Size == 0 || entry.IsLarge(); }

std::vector<size_t> EntriesToRead(const TPak& package) {
  std::vector<size_t> indexes;
  for (size_t i = 0; i < package.Count(); ++i) {
    if (!PassesUnread(package.Entries()[i])) indexes.push_back(i);
  }
  return indexes;
}

}  // namespace

unsigned VerifyWorkerCount() { return std::clamp(platform::ProcessorCount(), 1u, kMaxVerifyWorkers); }

TPakVerifier::TPakVerifier(const TPak& package, unsigned workers)
    : package_(package), decoder_(package, EntriesToRead(package), workers) {}

EntryVerification TPakVerifier::Next() {
  if (next_ >= package_.Count()) throw std::logic_error("no entry left to verify");
  EntryVerification outcome;
  if (PassesUnread(package_.Entries()[next_++])) {
    outcome.Passed = true;
    return outcome;
  }
  try {
    const TPakContent decoded = decoder_.Take();
    outcome.Passed = decoded.Content.has_value();
    outcome.WrongLength = decoded.WrongLength;
    outcome.InflatedLength = decoded.InflatedLength;
  } catch (...) {
    outcome.Error = std::current_exception();
  }
  return outcome;
}

}  // namespace setup
