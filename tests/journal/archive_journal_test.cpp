// The undo journal on its own: what recovery makes of every form a journal can be
// found in, and that it never writes an archive it cannot vouch for.

#include "journal/archive_journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/crc32.h"
#include "crash_points.h"
#include "platform/posix/posix_controls.h"
#include "test_support.h"

namespace setup::test {
namespace {

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    original_ = RandomBytes(20000, 3);
    WriteFileBytes(Archive(), original_);
  }
  std::string Archive() const { return dir_.Path("data.vfs"); }
  std::string Journal() const { return JournalPath(Archive()); }

  // A change of the archive that stops before its end: three regions saved and
  // overwritten, the second grown past the old end, and part of the first saved a second
  // time after it had changed (the oldest copy must win). commit: finished instead.
  void Change(bool commit = false) {
    platform::File file;
    ASSERT_TRUE(file.Open(Archive(), platform::OpenMode::ReadWriteExclusive));
    ArchiveJournal journal;
    ASSERT_TRUE(journal.Begin(Archive(), file));
    const std::vector<std::tuple<uint64_t, uint64_t, Bytes>> steps = {
        {1000, 500, RandomBytes(500, 9)}, {19000, 1000, RandomBytes(5000, 11)}, {1200, 100, RandomBytes(100, 13)}};
    for (const auto& [offset, saved, bytes] : steps) {
      ASSERT_TRUE(journal.SaveFrom(file, offset, saved) && journal.Sync());
      ASSERT_TRUE(file.WriteAt(offset, bytes.data(), bytes.size()));
    }
    if (commit) {
      platform::posix::RefuseRemove(Journal(), 1);
      EXPECT_EQ(journal.Commit(file), ArchiveJournal::CommitResult::JournalLeft);
    } else {
      journal.Close();
    }
    changed_ = ReadFileBytes(Archive());
  }

  TempDir dir_;
  Bytes original_;
  Bytes changed_;
};

Bytes WithVersion(Bytes journal, uint32_t version) {
  PutU32(journal.data() + 4, version);
  PutU32(journal.data() + 24, Crc32(ByteView(journal.data(), 24)));
  return journal;
}

// A journal as the first version wrote it: a 20-byte header, records without their
// length at the end.
Bytes VersionOneJournal(uint64_t length, const std::vector<std::pair<uint64_t, Bytes>>& regions) {
  ByteWriter out;
  out.Raw(ToBytes("AJNL"));
  out.U32(1);
  out.U32(static_cast<uint32_t>(length));
  out.U32(static_cast<uint32_t>(length >> 32));
  out.U32(Crc32(out.bytes()));
  for (const auto& [offset, bytes] : regions) {
    const size_t start = out.bytes().size();
    out.U32(static_cast<uint32_t>(offset));
    out.U32(0);
    out.U32(static_cast<uint32_t>(bytes.size()));
    out.Raw(bytes);
    out.U32(Crc32(ByteView(out.bytes().data() + start, out.bytes().size() - start)));
  }
  return out.bytes();
}

TEST_F(JournalTest, EachFormOfJournalIsRolledBackRemovedOrLeftAlone) {
  Change();
  const Bytes journal = ReadFileBytes(Journal());
  const Bytes oldRegions = VersionOneJournal(
      20000, {{1000, Bytes(original_.begin() + 1000, original_.begin() + 1500)},
              {19000, Bytes(original_.begin() + 19000, original_.end())}});
  Bytes damagedRecord = journal;
  damagedRecord[28 + 12 + 10] ^= 1;  // inside the first record, which checkpoints follow
  Bytes damagedHeader = journal;
  damagedHeader[9] ^= 1;
  const Bytes torn(journal.begin(), journal.end() - 30);  // the last record half-written
  struct Case {
    const char* what;
    Bytes journal;
    JournalRecovery outcome;
    JournalState inspected;
  };
  const Case cases[] = {
      {"interrupted", journal, JournalRecovery::RolledBack, JournalState::Pending},
      {"its last record torn", torn, JournalRecovery::RolledBack, JournalState::Pending},
      {"written by the first version", oldRegions, JournalRecovery::RolledBack, JournalState::Pending},
      {"empty", {}, JournalRecovery::Discarded, JournalState::Harmless},
      {"cut inside its header", Bytes(journal.begin(), journal.begin() + 10), JournalRecovery::Discarded,
       JournalState::Harmless},
      {"an unrelated file", ToBytes("my notes about the game"), JournalRecovery::Unreadable, JournalState::Unreadable},
      {"a damaged header", damagedHeader, JournalRecovery::Unreadable, JournalState::Unreadable},
      {"from a future version", WithVersion(journal, 3), JournalRecovery::Unreadable, JournalState::Unreadable},
      {"a damaged record that reached the disk", damagedRecord, JournalRecovery::Unreadable,
       JournalState::Unreadable},
      {"a record beyond the archive's first length",
       VersionOneJournal(20000, {{19990, Bytes(20, 1)}}), JournalRecovery::Unreadable, JournalState::Unreadable},
  };
  for (const Case& c : cases) {
    WriteFileBytes(Archive(), changed_);
    WriteFileBytes(Journal(), c.journal);
    EXPECT_EQ(InspectJournal(Archive()).State, c.inspected) << c.what;
    const RecoveryResult result = RecoverArchive(Archive());
    EXPECT_EQ(result.Outcome, c.outcome) << c.what;
    if (c.outcome == JournalRecovery::RolledBack) {
      EXPECT_EQ(ReadFileBytes(Archive()), original_) << c.what;
    } else {
      EXPECT_EQ(ReadFileBytes(Archive()), changed_) << c.what;  // never touched
    }
    EXPECT_EQ(std::filesystem::exists(Journal()), c.outcome == JournalRecovery::Unreadable) << c.what;
    if (c.outcome == JournalRecovery::Unreadable) {
      EXPECT_EQ(ReadFileBytes(Journal()), c.journal) << c.what;
      const std::string message = result.Message(Archive());
      EXPECT_NE(message.find(Archive()), std::string::npos) << message;
      EXPECT_NE(message.find(Journal()), std::string::npos) << message;
    }
  }
}

TEST_F(JournalTest, ARollBackInterruptedAnywhereEndsTheSameWhenRunAgain) {
  Change();
  const Bytes journal = ReadFileBytes(Journal());
  for (uint64_t point = 0; point < 8; ++point) {
    WriteFileBytes(Archive(), changed_);
    WriteFileBytes(Journal(), journal);
    const std::string end = EndOfChildCutAfter(point, [&] { RecoverArchive(Archive()); });
    ASSERT_TRUE(end == kCutShort || end == "exit 0") << end << " after " << point << " writes";
    const JournalRecovery again = RecoverArchive(Archive()).Outcome;
    EXPECT_TRUE(again == JournalRecovery::RolledBack || again == JournalRecovery::None) << point;
    EXPECT_EQ(ReadFileBytes(Archive()), original_) << "roll-back stopped at write " << point;
    EXPECT_FALSE(std::filesystem::exists(Journal())) << point;
  }
}

TEST_F(JournalTest, AJournalIsNeverAppliedToAFileThatReplacedItsArchive) {
  // A backup of the same state restored: the journal fits, and rolling back changes
  // nothing.
  Change();
  WriteFileBytes(Archive(), original_);
  EXPECT_EQ(RecoverArchive(Archive()).Outcome, JournalRecovery::RolledBack);
  EXPECT_EQ(ReadFileBytes(Archive()), original_);

  // Another version restored, twice: each journal is set aside under a name of its own.
  for (const char* suffix : {".stale", ".stale2"}) {
    Change();
    const Bytes journal = ReadFileBytes(Journal());
    const Bytes other = RandomBytes(original_.size(), 77);
    WriteFileBytes(Archive(), other);
    EXPECT_EQ(InspectJournal(Archive()).State, JournalState::Replaced);
    const RecoveryResult result = RecoverArchive(Archive());
    EXPECT_EQ(result.Outcome, JournalRecovery::SetAside);
    EXPECT_EQ(result.SetAsidePath, Journal() + suffix);
    EXPECT_EQ(ReadFileBytes(Archive()), other);
    EXPECT_EQ(ReadFileBytes(Journal() + suffix), journal);
    EXPECT_FALSE(std::filesystem::exists(Journal()));
    WriteFileBytes(Archive(), original_);
  }
}

TEST_F(JournalTest, AChangeCommittedBeforeItsJournalCouldGoStaysComplete) {
  Change(/*commit=*/true);
  ASSERT_TRUE(std::filesystem::exists(Journal()));
  EXPECT_EQ(InspectJournal(Archive()).State, JournalState::Harmless);
  EXPECT_EQ(RecoverArchive(Archive()).Outcome, JournalRecovery::Completed);
  EXPECT_EQ(ReadFileBytes(Archive()), changed_);
  EXPECT_FALSE(std::filesystem::exists(Journal()));
}

TEST_F(JournalTest, BeginNeverTruncatesAJournalThatIsThere) {
  const Bytes theirs = ToBytes("another change's journal");
  WriteFileBytes(Journal(), theirs);
  platform::File file;
  ASSERT_TRUE(file.Open(Archive(), platform::OpenMode::ReadWriteExclusive));
  ArchiveJournal journal;
  EXPECT_FALSE(journal.Begin(Archive(), file));
  EXPECT_TRUE(journal.Busy());
  journal.Discard();
  EXPECT_EQ(ReadFileBytes(Journal()), theirs);
}

}  // namespace
}  // namespace setup::test
