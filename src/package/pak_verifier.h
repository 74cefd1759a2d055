#pragma once
// Verification of a package's entries on several threads at once (a ParallelDecoder
// over the entries that are read). The outcomes are handed back strictly in table
// order, so that the caller can advance its progress display and report the first
// failing entry exactly as a single loop would.

#include <cstddef>
#include <cstdint>
#include <exception>

#include "package/pak.h"
#include "package/parallel_decoder.h"

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

  // The outcome of the next entry in table order (entry 0 first); waits until a
  // worker has it. Not to be called more often than the package has entries.
  EntryVerification Next();
  // Lets the workers finish the entry each holds and end; no later entry is read.
  void Stop() { decoder_.Stop(); }

 private:
  const TPak& package_;
  size_t next_ = 0;
  ParallelDecoder decoder_;
};

}  // namespace setup
