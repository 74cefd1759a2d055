#pragma once
// Reads, checks and inflates a list of package entries on several threads at once,
// and hands the results back strictly in list order, so that the caller writes, logs
// and reports them exactly as a single loop would.
//
// Memory is bounded by bytes, not by entries: workers take the entries in list order,
// and an entry is only taken while the decoded bytes held for the caller (taken by a
// worker, not yet handed back) stay within the budget. An entry larger than the whole
// budget is taken once nothing else is held, so it never waits forever; it is then the
// only one. The caller holds the entry it was last handed besides.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "package/pak.h"

namespace setup {

// The decoded bytes the workers may hold ahead of the caller. A 32-bit setup has 2 GiB
// of address space, and each entry is held stored and inflated while it is decoded.
inline constexpr uint64_t kDecodeBudget = 64u * 1024 * 1024;

class ParallelDecoder {
 public:
  // Starts the workers at once (at least one) on the entries of the package named by
  // indexes, in that order. The package must outlive the decoder.
  ParallelDecoder(const TPak& package, std::vector<size_t> indexes, unsigned workers,
                  uint64_t budget = kDecodeBudget);
  // Stops and waits for every worker; results not taken are dropped.
  ~ParallelDecoder();
  ParallelDecoder(const ParallelDecoder&) = delete;
  ParallelDecoder& operator=(const ParallelDecoder&) = delete;

  // The next entry of the list (TPak::DecodeEntry), once decoded; rethrows what
  // decoding it raised. Not to be called more often than the list has entries, nor
  // after Stop.
  TPakContent Take();
  // Lets each worker finish the entry it holds and end; no further entry is read.
  void Stop();

 private:
  struct Slot {
    TPakContent Decoded;
    std::exception_ptr Error;
    bool Ready = false;
  };

  void Work();
  uint64_t WeightOf(size_t position) const;
  // Whether the next entry may be taken now (under the lock).
  bool Fits(size_t position) const;

  const TPak& package_;
  const std::vector<size_t> indexes_;
  const uint64_t budget_;
  std::mutex mutex_;
  std::condition_variable ready_;  // a slot was filled
  std::condition_variable room_;   // bytes were handed back, or stop
  // One slot per entry of the list, made up front so that each stays in place while
  // the worker that fills it works unlocked; a slot is emptied when handed back.
  std::vector<Slot> slots_;
  size_t nextToTake_ = 0;
  size_t nextToHand_ = 0;
  uint64_t held_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace setup
