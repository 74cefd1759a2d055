// The writing side of the undo journal, and the texts that name what a journal means.

#include "journal/archive_journal.h"

#include <algorithm>

#include "base/crc32.h"
#include "journal/journal_reader.h"

namespace setup {

using namespace journal;

std::string JournalPath(const std::string& archivePath) { return archivePath + ".journal"; }

bool RecoveryResult::Usable() const {
  return Outcome != JournalRecovery::InUse && Outcome != JournalRecovery::Unreadable &&
         Outcome != JournalRecovery::Failed;
}

std::string RecoveryResult::Message(const std::string& archivePath) const {
  const std::string journal = JournalPath(archivePath);
  switch (Outcome) {
    case JournalRecovery::InUse:
      return archivePath + " is being changed by another program (its undo journal " + journal +
             " is open). Wait until that has finished, then try again.";
    case JournalRecovery::Unreadable:
      return "The undo journal " + journal + " cannot be read: " + Reason + ". An earlier update of " + archivePath +
             " may have stopped half-way, so both files have been left as they are. Restore " + archivePath +
             " from a backup or reinstall the product, then delete " + journal + " and run the setup again.";
    case JournalRecovery::Failed:
      return archivePath + " could not be restored from its undo journal " + journal + " (" + Reason +
             "). Both files have been left as they are. Free some disk space and close the programs that use " +
             archivePath + ", then run the setup again.";
    default:
      return {};
  }
}

std::string JournalInspection::Describe(const std::string& archivePath) const {
  const std::string journal = JournalPath(archivePath);
  switch (State) {
    case JournalState::None:
      return {};
    case JournalState::Harmless:
      return journal + " is left from an update that had finished or had not yet begun; the next update removes it";
    case JournalState::Pending:
      return "an interrupted update waits to be rolled back (" + journal + ")";
    case JournalState::Replaced:
      return journal + " was written for an earlier file of this name; the next update sets it aside";
    case JournalState::InUse:
      return journal + " is open in another program: an update is under way";
    case JournalState::Unreadable:
      return "the undo journal " + journal + " cannot be read (" + Reason + "); an earlier update may have stopped half-way";
  }
  return {};
}

bool ArchiveJournal::Begin(const std::string& archivePath, platform::File& archive) {
  busy_ = false;
  path_ = JournalPath(archivePath);
  const uint64_t length = archive.Size();
  std::vector<Bytes> windowBytes;
  for (const Window& window : FingerprintWindows(length)) {
    windowBytes.emplace_back(window.Size);
    if (!archive.ReadAt(window.Start, windowBytes.back().data(), window.Size)) return false;
  }
  // Never over an existing journal: it may be another change's, or one still to apply.
  if (!journal_.Open(path_, platform::OpenMode::CreateNew)) {
    busy_ = platform::FileExists(path_);
    return false;
  }
  uint8_t header[kHeaderSize2] = {};
  std::copy(kMagic, kMagic + 4, header);
  PutU32(header + 4, kVersion2);
  PutU64(header + 8, length);
  PutU32(header + 16, FingerprintOf(windowBytes));
  PutU32(header + 24, Crc32(ByteView(header, 24)));
  if (journal_.WriteAt(0, header, sizeof header) && journal_.Flush()) {
    end_ = sizeof header;
    return true;
  }
  journal_.Close();
  platform::RemoveFile(path_);
  return false;
}

bool ArchiveJournal::Append(uint64_t offset, ByteView bytes) {
  if (!journal_.IsOpen() || bytes.size() > UINT32_MAX) return false;
  const auto length = static_cast<uint32_t>(bytes.size());
  Bytes record(kRecordHead + bytes.size() + 8);
  PutU64(record.data(), offset);
  PutU32(record.data() + 8, length);
  std::copy(bytes.begin(), bytes.end(), record.begin() + kRecordHead);
  uint8_t* tail = record.data() + kRecordHead + bytes.size();
  PutU32(tail, Crc32(ByteView(record.data(), kRecordHead + bytes.size())));
  PutU32(tail + 4, length);
  if (!journal_.WriteAt(end_, record.data(), record.size())) return false;
  end_ += record.size();
  return true;
}

bool ArchiveJournal::Save(uint64_t offset, ByteView original) { return Append(offset, original); }

bool ArchiveJournal::SaveFrom(platform::File& archive, uint64_t offset, uint64_t length) {
  Bytes piece;
  while (length > 0) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(length, kPiece));
    piece.resize(count);
    if (!archive.ReadAt(offset, piece.data(), count) || !Save(offset, piece)) return false;
    offset += count;
    length -= count;
  }
  return true;
}

bool ArchiveJournal::Sync() {
  uint8_t position[8];
  PutU64(position, end_);
  return Append(kCheckpoint, ByteView(position, sizeof position)) && journal_.Flush();
}

void ArchiveJournal::Discard() {
  if (!journal_.IsOpen()) return;
  journal_.Close();
  platform::RemoveFile(path_);
}

ArchiveJournal::CommitResult ArchiveJournal::Commit(platform::File& archive) {
  if (!journal_.IsOpen() || !archive.Flush()) return CommitResult::Failed;
  // From here on the new content is complete: recovery finishes the change instead of
  // undoing it.
  if (!Append(kCommitMark, ByteView()) || !journal_.Flush()) return CommitResult::Failed;
  journal_.Close();
  return platform::RemoveFile(path_) ? CommitResult::Done : CommitResult::JournalLeft;
}

}  // namespace setup
