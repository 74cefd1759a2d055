#pragma once
// The undo journal that makes an in-place change of one of the product's archives
// (KZP packages, VFS archives) safe against a power cut or a killed process.
//
// Before a byte of the archive is overwritten or cut away, the bytes that will be lost
// are saved into a journal file beside the archive and the journal is flushed to the
// disk; the journal is removed only after the archive's new header has reached the
// disk. Whoever opens the archive next calls RecoverArchive first: a journal found
// there means the last change did not finish, and the archive is rolled back to the
// state it had before that change (every saved region written back, newest first, so
// the oldest copy of a region wins; then the original length restored).
//
// On-disk form of "<archive>.journal" (little-endian):
//   header  "AJNL", u32 version 1, u64 original length of the archive,
//           u32 CRC-32 of the 16 bytes before it
//   records u64 offset, u32 length, the original bytes, u32 CRC-32 of everything
//           before it in the record
// A record that is incomplete or fails its CRC was being written when the change was
// interrupted: the archive bytes it covers had not been touched yet (the journal is
// flushed before they are), so it and everything after it are ignored.

#include <cstdint>
#include <string>

#include "base/byte_io.h"
#include "platform/files.h"

namespace setup {

// Where the journal of an archive lives.
std::string JournalPath(const std::string& archivePath);

enum class JournalRecovery {
  None,        // no journal: the archive is as its last change left it
  RolledBack,  // an interrupted change was undone; the journal is gone
  Failed,      // a journal is there but the archive could not be restored; leave it alone
};

// Rolls back an interrupted change of the archive, if there was one. The archive must
// not be open elsewhere in this process. Safe to call again after a crash during the
// roll-back itself. Clears a read-only attribute of the archive when it must write.
JournalRecovery RecoverArchive(const std::string& archivePath);

// The writing side: one journal for one change of one archive.
class ArchiveJournal {
 public:
  ArchiveJournal() = default;
  // Closes the journal file and leaves it in place (an unfinished change stays
  // recoverable); call Commit to end a change that succeeded.
  ~ArchiveJournal() = default;
  ArchiveJournal(const ArchiveJournal&) = delete;
  ArchiveJournal& operator=(const ArchiveJournal&) = delete;

  // Creates the journal with the archive's length before the change and flushes it.
  bool Begin(const std::string& archivePath, uint64_t originalLength);
  bool Active() const { return journal_.IsOpen(); }

  // Appends a region's original bytes (not flushed yet: call Sync before the region is
  // overwritten).
  bool Save(uint64_t offset, ByteView original);
  // Reads length bytes at offset from the archive and saves them, in bounded pieces.
  bool SaveFrom(platform::File& archive, uint64_t offset, uint64_t length);
  // Flushes what was saved to the disk.
  bool Sync();

  // Flushes the archive, then removes the journal: the change is complete.
  bool Commit(platform::File& archive);
  // Closes the journal without removing it (the change stays recoverable).
  void Close() { journal_.Close(); }

 private:
  platform::File journal_;
  std::string path_;
};

}  // namespace setup
