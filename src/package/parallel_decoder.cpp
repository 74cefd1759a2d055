#include "package/parallel_decoder.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace setup {

ParallelDecoder::ParallelDecoder(const TPak& package, std::vector<size_t> indexes, unsigned workers,
                                 uint64_t budget)
    : package_(package), indexes_(std::move(indexes)), budget_(budget), slots_(indexes_.size()) {
  const size_t count = std::min<size_t>(std::max(workers, 1u), std::max<size_t>(indexes_.size(), 1));
  workers_.reserve(count);
  try {
    for (size_t i = 0; i < count; ++i) workers_.emplace_back([this] { Work(); });
  } catch (...) {
    // A thread the system refused: the ones that started are enough, unless none did.
    if (workers_.empty()) throw;
  }
}

ParallelDecoder::~ParallelDecoder() {
  Stop();
  for (std::thread& worker : workers_) worker.join();
}

void ParallelDecoder::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  room_.notify_all();
  ready_.notify_all();
}

uint64_t ParallelDecoder::WeightOf(size_t position) const {
  const size_t index = indexes_[position];
  return index < package_.Count() ? package_.Entries()[index].Size : 0;
}

bool ParallelDecoder::Fits(size_t position) const {
  return held_ == 0 || WeightOf(position) <= budget_ - std::min(held_, budget_);
}

void ParallelDecoder::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    room_.wait(lock, [this] { return stopping_ || nextToTake_ >= indexes_.size() || Fits(nextToTake_); });
    if (stopping_ || nextToTake_ >= indexes_.size()) return;
    const size_t position = nextToTake_++;
    held_ += WeightOf(position);
    Slot& slot = slots_[position];
    lock.unlock();
    TPakContent decoded;
    std::exception_ptr error;
    try {
      decoded = package_.DecodeEntry(indexes_[position]);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    slot.Decoded = std::move(decoded);
    slot.Error = error;
    slot.Ready = true;
    ready_.notify_all();
  }
}

TPakContent ParallelDecoder::Take() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (nextToHand_ >= indexes_.size()) throw std::logic_error("no entry left to decode");
  // A worker that holds the entry finishes it even when stopped.
  const size_t position = nextToHand_;
  ready_.wait(lock, [&] { return slots_[position].Ready || (stopping_ && nextToTake_ <= position); });
  if (!slots_[position].Ready) throw std::logic_error("decoding stopped before the entry was read");
  Slot slot = std::move(slots_[position]);
  slots_[position] = Slot();
  held_ -= WeightOf(nextToHand_++);
  lock.unlock();
  room_.notify_all();
  if (slot.Error) std::rethrow_exception(slot.Error);
  return std::move(slot.Decoded);
}

}  // namespace setup
