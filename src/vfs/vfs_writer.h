#pragma once
// Every write of an archive update goes through here, so that an update interrupted at
// any point can be rolled back (journal/archive_journal.h).
//
// The archive is cut into units: the front (header and tables) in 4,096-byte pages,
// the data area in blocks. The first time a unit is about to change, its original bytes
// are appended to the journal (once per change). Writes are queued in memory and
// applied in batches: before a batch reaches the archive the journal is flushed once,
// so an update costs one flush of the journal per batch rather than one per block.
// Reads of the archive (folder contents, the digest) drain the queue first.

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/byte_io.h"
#include "journal/archive_journal.h"
#include "platform/files.h"

namespace setup {

class VfsWriter {
 public:
  // A test hook: called before each write that reaches the archive, with the count of
  // such writes so far in this process (crash tests stop the process there).
  using WriteHook = void (*)(uint64_t writeNumber);
  static void SetWriteHook(WriteHook hook);

  void Attach(platform::File* file, std::string archivePath, uint64_t dataStart, uint32_t blockSize);

  // Queues bytes for offset; raises VfsError when the journal cannot be written.
  void Write(uint64_t offset, ByteView bytes);
  // Flushes the journal and applies every queued write.
  void Drain();
  // Drains, then ends the change: the archive is flushed and the journal removed.
  void Commit();
  // Drops the queued writes and closes the journal, which stays for RecoverArchive.
  void Abandon();
  bool Changing() const { return journal_.Active(); }

 private:
  struct Pending {
    uint64_t offset;
    Bytes bytes;
  };
  void SaveUnits(uint64_t offset, uint64_t end);

  platform::File* file_ = nullptr;
  std::string path_;
  uint64_t dataStart_ = 0;
  uint32_t blockSize_ = 1;
  ArchiveJournal journal_;
  std::unordered_set<uint64_t> saved_;  // start offsets of the units saved
  std::vector<Pending> pending_;
  size_t pendingBytes_ = 0;
  bool unsynced_ = false;
};

}  // namespace setup
