// Recovery from an undo journal: rolling an interrupted change back, finishing a
// committed one, and refusing journals that cannot be read or belong to another file.

#include <algorithm>
#include <optional>

#include "journal/archive_journal.h"
#include "journal/journal_reader.h"

namespace setup {

using namespace journal;

namespace {

// Rebuilds the fingerprint windows of the archive as it was when the journal began:
// each byte from the oldest record that saved it, else from the archive as it is now
// (a byte no record saved was never changed).
class StateCheck {
 public:
  void Prepare(uint64_t length) {
    windows_ = FingerprintWindows(length);
    bytes_.clear();
    filled_.clear();
    for (const Window& w : windows_) {
      bytes_.emplace_back(w.Size);
      filled_.emplace_back(w.Size, false);
    }
  }

  bool Visit(BufferedReader& journal, uint64_t bytesPosition, uint64_t offset, uint32_t length) {
    Bytes piece;
    for (size_t i = 0; i < windows_.size(); ++i) {
      const uint64_t start = std::max(offset, windows_[i].Start);
      const uint64_t end = std::min(offset + length, windows_[i].Start + windows_[i].Size);
      if (start >= end) continue;
      piece.resize(static_cast<size_t>(end - start));
      if (!journal.Read(bytesPosition + (start - offset), piece.data(), piece.size())) return false;
      for (size_t k = 0; k < piece.size(); ++k) {
        const auto at = static_cast<size_t>(start - windows_[i].Start) + k;
        if (!filled_[i][at]) {
          bytes_[i][at] = piece[k];
          filled_[i][at] = true;
        }
      }
    }
    return true;
  }

  bool Matches(platform::File& archive, uint32_t fingerprint) {
    const uint64_t size = archive.Size();
    for (size_t i = 0; i < windows_.size(); ++i) {
      for (uint32_t k = 0; k < windows_[i].Size; ++k) {
        if (filled_[i][k]) continue;
        const uint64_t at = windows_[i].Start + k;
        // Cut away without being saved first: not the file the journal was written for.
        if (at >= size || !archive.ReadAt(at, &bytes_[i][k], 1)) return false;
      }
    }
    return FingerprintOf(bytes_) == fingerprint;
  }

 private:
  std::vector<Window> windows_;
  std::vector<Bytes> bytes_;
  std::vector<std::vector<bool>> filled_;
};

// Reads the journal, rebuilding the archive's first state on the way.
ScanResult Scan(BufferedReader& journal, StateCheck& check) {
  return ScanJournal(
      journal, [&](const ScanResult& header) { check.Prepare(header.OriginalLength); },
      [&](uint64_t at, uint64_t offset, uint32_t length) { return check.Visit(journal, at, offset, length); });
}

bool CopyBack(BufferedReader& journal, uint64_t bytesPosition, uint64_t offset, uint32_t length,
              platform::File& archive, Bytes& piece, bool backward) {
  for (uint32_t done = 0; done < length;) {
    const size_t n = std::min<size_t>(piece.size(), length - done);
    if (!journal.Read(bytesPosition + done, piece.data(), n, backward) || !archive.WriteAt(offset + done, piece.data(), n)) {
      return false;
    }
    done += static_cast<uint32_t>(n);
  }
  return true;
}

// Writes every saved region back and restores the original length. Version 2 walks
// the records newest first, so that where a region was saved twice the oldest bytes
// end on top; version 1 records cannot be walked backwards, and the writers of that
// version never saved a region twice in one journal, so their order does not matter.
bool RollBack(BufferedReader& journal, const ScanResult& scan, platform::File& archive) {
  Bytes piece(kPiece);
  uint64_t offset = 0;
  uint32_t length = 0;
  if (scan.Version == kVersion1) {
    for (uint64_t position = scan.HeaderSize; position < scan.ValidEnd;) {
      if (!ReadRecord(journal, kVersion1, position, offset, length) ||
          !CopyBack(journal, position + kRecordHead, offset, length, archive, piece, false)) {
        return false;
      }
      position += kRecordHead + length + RecordTail(kVersion1);
    }
  } else {
    for (uint64_t end = scan.ValidEnd; end > scan.HeaderSize;) {
      uint8_t head[kRecordHead];
      uint8_t trailer[4];
      if (!journal.Read(end - 4, trailer, 4, true)) return false;
      length = GetU32(trailer);
      const uint64_t recordSize = kRecordHead + uint64_t{length} + RecordTail(kVersion2);
      if (end - scan.HeaderSize < recordSize) return false;
      const uint64_t start = end - recordSize;
      if (!journal.Read(start, head, sizeof head, true)) return false;
      offset = GetU64(head);
      if (offset != kCheckpoint && offset != kCommitMark &&
          !CopyBack(journal, start + kRecordHead, offset, length, archive, piece, true)) {
        return false;
      }
      end = start;
    }
  }
  return archive.SetLength(scan.OriginalLength) && archive.Flush();
}

// A free name for a journal set aside: "<journal>.stale", then ".stale2", ".stale3"...
std::optional<std::string> SetAsideName(const std::string& journalPath) {
  for (int i = 1; i < 1000; ++i) {
    std::string name = journalPath + ".stale" + (i == 1 ? std::string() : std::to_string(i));
    if (!platform::FileExists(name)) return name;
  }
  return std::nullopt;
}

RecoveryResult Unreadable(std::string reason) { return {JournalRecovery::Unreadable, std::move(reason), {}}; }
RecoveryResult FailedWith(std::string reason) { return {JournalRecovery::Failed, std::move(reason), {}}; }

// archive: the archive open for writing, or null when it is missing.
RecoveryResult Recover(const std::string& archivePath, platform::File* archive) {
  const std::string path = JournalPath(archivePath);
  if (!platform::FileExists(path)) return {};
  JournalRecovery outcome = JournalRecovery::None;
  {
    platform::File file;
    if (!file.Open(path, platform::OpenMode::ReadShared)) {
      if (platform::LastOpenFailedInUse()) return {JournalRecovery::InUse, {}, {}};
      return Unreadable("it cannot be opened");
    }
    BufferedReader journal(file);
    StateCheck check;
    const ScanResult scan = Scan(journal, check);
    switch (scan.State) {
      case ScanState::Unreadable:
        return Unreadable(scan.Reason);
      case ScanState::Creating:
      case ScanState::Empty:
        outcome = JournalRecovery::Discarded;
        break;
      case ScanState::Committed:
        outcome = JournalRecovery::Completed;
        break;
      case ScanState::Pending:
        if (archive == nullptr) return FailedWith("the archive is missing");
        if (scan.Version == kVersion2 && !check.Matches(*archive, scan.Fingerprint)) {
          outcome = JournalRecovery::SetAside;
        } else if (RollBack(journal, scan, *archive)) {
          outcome = JournalRecovery::RolledBack;
        } else {
          return FailedWith("the archive could not be written");
        }
        break;
    }
  }
  if (outcome == JournalRecovery::SetAside) {
    const std::optional<std::string> name = SetAsideName(path);
    if (!name || !platform::RenameFile(path, *name)) return FailedWith("the journal could not be renamed");
    return {outcome, {}, *name};
  }
  if (!platform::RemoveFile(path)) return FailedWith("the journal could not be removed");
  return {outcome, {}, {}};
}

}  // namespace

RecoveryResult RecoverArchive(const std::string& archivePath, platform::File& archive) {
  return Recover(archivePath, &archive);
}

RecoveryResult RecoverArchive(const std::string& archivePath) {
  if (!platform::FileExists(JournalPath(archivePath))) return {};
  if (!platform::FileExists(archivePath)) return Recover(archivePath, nullptr);
  platform::ClearReadOnly(archivePath);
  platform::File archive;
  if (!archive.Open(archivePath, platform::OpenMode::ReadWriteShared)) {
    return platform::LastOpenFailedInUse() ? RecoveryResult{JournalRecovery::InUse, {}, {}}
                                           : FailedWith("the archive cannot be opened");
  }
  return Recover(archivePath, &archive);
}

JournalInspection InspectJournal(const std::string& archivePath) {
  const std::string path = JournalPath(archivePath);
  if (!platform::FileExists(path)) return {};
  platform::File file;
  if (!file.Open(path, platform::OpenMode::ReadShared)) {
    if (platform::LastOpenFailedInUse()) return {JournalState::InUse, {}};
    return {JournalState::Unreadable, "it cannot be opened"};
  }
  BufferedReader journal(file);
  StateCheck check;
  const ScanResult scan = Scan(journal, check);
  switch (scan.State) {
    case ScanState::Unreadable:
      return {JournalState::Unreadable, scan.Reason};
    case ScanState::Creating:
    case ScanState::Empty:
    case ScanState::Committed:
      return {JournalState::Harmless, {}};
    case ScanState::Pending:
      break;
  }
  platform::File archive;
  if (scan.Version == kVersion2 && archive.Open(archivePath, platform::OpenMode::ReadShared) &&
      !check.Matches(archive, scan.Fingerprint)) {
    return {JournalState::Replaced, {}};
  }
  return {JournalState::Pending, {}};
}

}  // namespace setup
