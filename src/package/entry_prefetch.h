#pragma once
// Reads, checks and inflates one package entry on a thread of its own while the
// caller writes the previous one, so that inflating and writing overlap. One entry is
// decoded at a time: with the one the caller holds, never more than two are in memory.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "package/pak.h"

namespace setup {

class EntryPrefetcher {
 public:
  explicit EntryPrefetcher(const TPak& package);
  // Waits for an entry still being decoded; its result is dropped.
  ~EntryPrefetcher();
  EntryPrefetcher(const EntryPrefetcher&) = delete;
  EntryPrefetcher& operator=(const EntryPrefetcher&) = delete;

  // Starts decoding the entry (TPak::DecodeEntry). The previous one must have been
  // taken.
  void Start(size_t index);
  // True between Start and Take.
  bool Pending() const { return pending_; }
  // The entry Start asked for, once decoded; rethrows what decoding raised.
  TPakContent Take();

 private:
  void Loop();

  const TPak& package_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::optional<size_t> request_;
  std::optional<TPakContent> result_;
  std::exception_ptr error_;
  bool ready_ = false;
  bool quit_ = false;
  bool pending_ = false;  // the caller's side only
  std::thread thread_;
};

}  // namespace setup
