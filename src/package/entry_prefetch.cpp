#include "package/entry_prefetch.h"

#include <stdexcept>
#include <utility>

namespace setup {

EntryPrefetcher::EntryPrefetcher(const TPak& package) : package_(package), thread_([this] { Loop(); }) {}

EntryPrefetcher::~EntryPrefetcher() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void EntryPrefetcher::Start(size_t index) {
  if (pending_) throw std::logic_error("the prefetched entry was not taken");
  {
    std::lock_guard<std::mutex> lock(mutex_);
    request_ = index;
    ready_ = false;
  }
  pending_ = true;
  wake_.notify_all();
}

TPakContent EntryPrefetcher::Take() {
  if (!pending_) throw std::logic_error("no entry is being prefetched");
  pending_ = false;
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return ready_; });
  ready_ = false;
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  TPakContent content = std::move(*result_);
  result_.reset();
  return content;
}

void EntryPrefetcher::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return quit_ || request_.has_value(); });
    if (quit_) return;
    const size_t index = *request_;
    request_.reset();
    lock.unlock();
    std::optional<TPakContent> result;
    std::exception_ptr error;
    try {
      result = package_.DecodeEntry(index);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    result_ = std::move(result);
    error_ = error;
    ready_ = true;
    done_.notify_all();
  }
}

}  // namespace setup
