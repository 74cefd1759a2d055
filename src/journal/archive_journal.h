#pragma once
// The undo journal that makes an in-place change of one of the product's archives
// (KZP packages, VFS archives) safe against a power cut or a killed process.
//
// Before a byte of the archive is overwritten or cut away, the bytes that will be lost
// are saved into a journal file beside the archive and the journal is flushed to the
// disk. When the change is complete and the archive has reached the disk, a commit
// mark is appended and flushed, and the journal is removed. Whoever opens the archive
// next calls RecoverArchive first:
//   - a journal with a commit mark: the change had finished; the journal is removed;
//   - a journal without one: the change did not finish, and the archive is rolled back
//     to the state it had before (every saved region written back, newest first, so
//     the oldest copy of a region wins; then the original length restored);
//   - a journal that cannot be read is left in place with the archive, never taken
//     for "nothing happened".
// The journal records what identifies the archive's state when it was started (its
// length and a fingerprint of sampled bytes). A roll-back first rebuilds that state
// from the archive and the saved regions; when it does not match, the archive has
// been replaced since (a backup restored), and the journal is set aside instead of
// being applied to a file it was not written for.
//
// On-disk form of "<archive>.journal" (little-endian), version 2:
//   header  "AJNL", u32 version 2, u64 original length of the archive, u32 fingerprint,
//           u32 0, u32 CRC-32 of the 24 bytes before it
//   records u64 offset, u32 length, the original bytes, u32 CRC-32 of everything
//           before it in the record, u32 length again (so that the records can be
//           walked newest first)
//   marks   records with an offset no archive has: 2^64-2 with 8 bytes, the record's
//           own position in the journal (a checkpoint, appended before each flush),
//           and 2^64-1 with no bytes (the commit mark)
// Version 1 (still read): a 20-byte header without fingerprint and its CRC, records
// without the trailing length, no marks.
//
// A record that is incomplete or fails its CRC was being written when the change was
// interrupted: the archive bytes it covers had not been touched yet (the journal is
// flushed before they are), so it and everything after it are ignored — unless a
// checkpoint follows it, which proves that the journal was damaged after it had
// reached the disk: then the journal cannot be read.
//
// Memory stays bounded whatever the journal's size: records are checked and applied
// by streaming them from the disk in pieces of at most 1 MiB.

#include <cstdint>
#include <string>

#include "base/byte_io.h"
#include "platform/files.h"

namespace setup {

// Where the journal of an archive lives.
std::string JournalPath(const std::string& archivePath);

enum class JournalRecovery {
  None,        // no journal: the archive is as its last change left it
  Discarded,   // a journal that proves the archive was never touched; removed
  Completed,   // the journal's change had finished (commit mark); removed
  RolledBack,  // an interrupted change was undone; the journal is gone
  SetAside,    // the journal belongs to a file that has since been replaced: renamed
               // (SetAsidePath), the archive left as it is
  InUse,       // another program holds the journal open: the archive is being changed
  Unreadable,  // the journal cannot be read: journal and archive left as they are
  Failed,      // the archive could not be restored; the journal stays for a retry
};

struct RecoveryResult {
  JournalRecovery Outcome = JournalRecovery::None;
  std::string Reason;        // Unreadable: why; Failed: what could not be done
  std::string SetAsidePath;  // SetAside: the journal's new name

  // True when the archive may be opened and changed now.
  bool Usable() const;
  // The text for the user when not Usable: names the archive and its journal, and
  // says what to do.
  std::string Message(const std::string& archivePath) const;
};

// Rolls back an interrupted change of the archive, if there was one. archive is the
// archive, open for reading and writing by the caller (who thereby keeps other writers
// out). Safe to call again after a crash during the roll-back itself. Leaves the
// archive's file position unspecified.
RecoveryResult RecoverArchive(const std::string& archivePath, platform::File& archive);
// The same, opening the archive itself (clearing a read-only attribute when it must
// write); a missing archive is rolled back only when the journal has nothing to write.
RecoveryResult RecoverArchive(const std::string& archivePath);

// What a journal beside the archive says, without changing anything (the read-only
// tools report it).
enum class JournalState {
  None,        // no journal
  Harmless,    // nothing to undo: never touched, or the change had finished
  Pending,     // an interrupted change waits to be rolled back
  Replaced,    // a journal of a file that has since been replaced
  InUse,       // another program holds it open
  Unreadable,  // cannot be read (Reason)
};
struct JournalInspection {
  JournalState State = JournalState::None;
  std::string Reason;
  // A line for a report: what the journal means for the archive.
  std::string Describe(const std::string& archivePath) const;
};
JournalInspection InspectJournal(const std::string& archivePath);

// The writing side: one journal for one change of one archive.
class ArchiveJournal {
 public:
  enum class CommitResult {
    Done,         // the change is complete and the journal removed
    JournalLeft,  // complete, but the journal (with its commit mark) could not be
                  // removed: the next RecoverArchive removes it
    Failed,       // the commit mark could not be written: the change must be rolled back
  };

  ArchiveJournal() = default;
  // Closes the journal file and leaves it in place (an unfinished change stays
  // recoverable); call Commit to end a change that succeeded.
  ~ArchiveJournal() = default;
  ArchiveJournal(const ArchiveJournal&) = delete;
  ArchiveJournal& operator=(const ArchiveJournal&) = delete;

  // Creates the journal (never over an existing one: Busy is then true) with the
  // archive's current length and fingerprint, and flushes it.
  bool Begin(const std::string& archivePath, platform::File& archive);
  bool Active() const { return journal_.IsOpen(); }
  // After a failed Begin: true when a journal was already there (another change of the
  // archive is under way or awaits recovery).
  bool Busy() const { return busy_; }

  // Appends a region's original bytes (not flushed yet: call Sync before the region is
  // overwritten).
  bool Save(uint64_t offset, ByteView original);
  // Reads length bytes at offset from the archive and saves them, in bounded pieces.
  bool SaveFrom(platform::File& archive, uint64_t offset, uint64_t length);
  // Appends a checkpoint and flushes what was saved to the disk.
  bool Sync();

  // Flushes the archive, appends and flushes the commit mark, then removes the journal.
  CommitResult Commit(platform::File& archive);
  // Closes the journal without removing it (the change stays recoverable).
  void Close() { journal_.Close(); }
  // Closes and removes a journal this object began, when nothing of the archive has
  // been changed yet; a journal it did not begin is never touched.
  void Discard();

 private:
  bool Append(uint64_t offset, ByteView bytes);

  platform::File journal_;
  std::string path_;
  uint64_t end_ = 0;  // where the next record goes
  bool busy_ = false;
};

}  // namespace setup
