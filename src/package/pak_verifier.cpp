#include "package/pak_verifier.h"

#include <algorithm>
#include <stdexcept>

#include "platform/system_info.h"

namespace setup {

namespace {

EntryVerification VerifyOne(const TPak& package, size_t index) {
  const TPakEntry& entry = package.Entries()[index];
  EntryVerification outcome;
  if (entry.Size == 0 || entry.IsLarge()) {
    outcome.Passed = true;
    return outcome;
  }
  try {
    const TPakContent decoded = package.DecodeEntry(index);
    outcome.Passed = decoded.Content.has_value();
    outcome.WrongLength = decoded.WrongLength;
    outcome.InflatedLength = decoded.InflatedLength;
  } catch (...) {
    outcome.Error = std::current_exception();
  }
  return outcome;
}

}  // namespace

unsigned VerifyWorkerCount() { return std::clamp(platform::ProcessorCount(), 1u, kMaxVerifyWorkers); }

TPakVerifier::TPakVerifier(const TPak& package, unsigned workers)
    : package_(package), outcomes_(package.Count()) {
  const size_t count = std::min<size_t>(std::max(workers, 1u), std::max<size_t>(package.Count(), 1));
  workers_.reserve(count);
  try {
    for (size_t i = 0; i < count; ++i) workers_.emplace_back([this] { Work(); });
  } catch (...) {
    // A thread the system refused: the ones that started are enough, unless none did.
    if (workers_.empty()) throw;
  }
}

TPakVerifier::~TPakVerifier() {
  Stop();
  for (std::thread& worker : workers_) worker.join();
}

void TPakVerifier::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopping_ = true;
}

void TPakVerifier::Work() {
  for (;;) {
    size_t index = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_ || nextToCheck_ >= outcomes_.size()) return;
      index = nextToCheck_++;
    }
    EntryVerification outcome = VerifyOne(package_, index);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      outcomes_[index] = std::move(outcome);
    }
    done_.notify_all();
  }
}

EntryVerification TPakVerifier::Next() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (nextToHand_ >= outcomes_.size()) throw std::logic_error("no entry left to verify");
  const size_t index = nextToHand_;
  std::optional<EntryVerification>& slot = outcomes_[index];
  done_.wait(lock, [&] { return slot.has_value() || (stopping_ && index >= nextToCheck_); });
  if (!slot) throw std::logic_error("verification stopped before the entry was read");
  ++nextToHand_;
  EntryVerification outcome = std::move(*slot);
  slot.reset();
  return outcome;
}

}  // namespace setup
