#pragma once
// Verification of a package's entries on several threads at once. Each worker takes
// the next unchecked entry in table order and holds that one entry while it reads,
// checks and inflates it, so memory stays bounded by the number of workers. The
// outcomes are handed back strictly in table order, so that the caller can advance its
// progress display and report the first failing entry exactly as a single loop would.

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

struct EntryVerification {
  bool Passed = false;
  // The entry inflated, but not to its size: the caller shows the "DecompSize" box
  // (TPak::ReportWrongLength) before its own failure message.
  bool WrongLength = false;
  uint64_t InflatedLength = 0;
  // What reading the entry raised, for the caller to rethrow in its turn.
  std::exception_ptr Error;
};

// The workers a verification uses: one per processor this process may run on, at most
// kMaxVerifyWorkers (each may hold an entry of up to 70 MiB twice: stored and
// inflated, which a 32-bit process must fit in its address space).
inline constexpr unsigned kMaxVerifyWorkers = 4;
unsigned VerifyWorkerCount();

class TPakVerifier {
 public:
  // Starts the workers at once. Entries of size 0 and large entries pass unread.
  TPakVerifier(const TPak& package, unsigned workers);
  ~TPakVerifier();
  TPakVerifier(const TPakVerifier&) = delete;
  TPakVerifier& operator=(const TPakVerifier&) = delete;

  // The outcome of the next entry in table order (entry 0 first); waits until a
  // worker has it. Not to be called more often than the package has entries.
  EntryVerification Next();
  // Lets the workers finish the entry each holds and end; no later entry is read.
  void Stop();

 private:
  void Work();

  const TPak& package_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::vector<std::optional<EntryVerification>> outcomes_;
  size_t nextToCheck_ = 0;
  size_t nextToHand_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace setup
