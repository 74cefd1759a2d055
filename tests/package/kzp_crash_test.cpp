// An update of a KZP package interrupted anywhere — the process killed in the middle
// of a write, or a write failing for want of space — leaves a package that the next
// open brings back to either the old or the new content, never neither.

#include <gtest/gtest.h>

#include "crash_points.h"
#include "journal/archive_journal.h"
#include "package/kzp_contents.h"
#include "package/pak_system.h"
#include "platform/posix/posix_controls.h"
#include "test_support.h"

namespace setup::test {
namespace {

class QuietHost : public TKzpHost {
 public:
  void Processing(const std::string&, size_t, size_t) override {}
  void WritingHeader(const std::string&) override {}
  void StepProgress(bool) override {}
  bool AskRetry(const std::string&) override { return false; }
};

class KzpCrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<RawEntry> base;
    std::vector<RawEntry> group;
    for (int i = 0; i < 40; ++i) base.push_back({"old" + std::to_string(i), 1, CompressibleBytes(500, i)});
    for (int i = 0; i < 60; ++i) {
      const std::string name = (i < 30 ? "old" : "new") + std::to_string(i);
      group.push_back({name, 2, CompressibleBytes(900, 100 + i)});
    }
    for (RawEntry& e : base) before_[e.name] = e.content;
    after_ = before_;
    for (RawEntry& e : group) after_[e.name] = e.content;
    base.insert(base.end(), group.begin(), group.end());
    WriteFileBytes(dir_.Path("setup.pak"), BuildRawPackage(base).bytes);
    ASSERT_TRUE(setup_.Create(dir_.Path("setup.pak")));
    // The base package: group 1 written into an empty package.
    WriteFileBytes(Kzp(), EmptyKzpPackage());
    ASSERT_TRUE(Update(1).Ok);
    ASSERT_EQ(ContentsOfKzp(Kzp()), before_);
    baseBytes_ = ReadFileBytes(Kzp());
  }

  std::string Kzp() const { return dir_.Path("game.kzp"); }
  KzpOutcome Update(uint16_t group) {
    QuietHost host;
    return engine_.Update(setup_, dir_.Path(), group, "game.kzp", "pw", host);
  }

  TempDir dir_;
  TPak setup_;
  TPakSystem engine_;
  KzpContents before_, after_;
  Bytes baseBytes_;
};

TEST_F(KzpCrashTest, KilledAnywhereTheNextOpenFindsOldOrNew) {
  const uint64_t start = platform::posix::FileWriteCount();
  ASSERT_TRUE(Update(2).Ok);
  const uint64_t writes = platform::posix::FileWriteCount() - start;
  ASSERT_GE(writes, 50u);
  size_t oldSeen = 0;
  size_t newSeen = 0;
  for (uint64_t point = 0; point <= writes; point += std::max<uint64_t>(1, writes / 70)) {
    WriteFileBytes(Kzp(), baseBytes_);
    const std::string end = EndOfChildCutAfter(point, [&] { Update(2); });
    ASSERT_TRUE(end == kCutShort || end == "exit 0") << end << " after " << point << " writes";
    // The next open rolls an unfinished update back; what it finds is old or new.
    ASSERT_TRUE(RecoverArchive(Kzp()).Usable()) << point;
    const KzpContents now = ContentsOfKzp(Kzp());
    if (now == before_) {
      EXPECT_EQ(ReadFileBytes(Kzp()), baseBytes_) << point;
      ++oldSeen;
    } else {
      EXPECT_EQ(now, after_) << "after a crash at write " << point;
      ++newSeen;
    }
  }
  EXPECT_GE(oldSeen + newSeen, 50u);
  EXPECT_GT(oldSeen, 0u);
  EXPECT_GT(newSeen, 0u);
}

TEST_F(KzpCrashTest, AFailedWriteRestoresThePackageAndSaysSo) {
  // Past the journal's own writes (its header and the saved end): the cut, block
  // writes, the new end.
  for (uint64_t point : {4, 20, 61, 65, 66}) {
    WriteFileBytes(Kzp(), baseBytes_);
    platform::posix::FailFileWritesAfter(point);
    const KzpOutcome outcome = Update(2);
    platform::posix::FailFileWritesAfter(0);
    EXPECT_FALSE(outcome.Ok) << point;
    EXPECT_NE(outcome.Message.find("has been restored as it was before the update"), std::string::npos)
        << outcome.Message;
    EXPECT_EQ(ReadFileBytes(Kzp()), baseBytes_) << point;
    EXPECT_FALSE(std::filesystem::exists(Kzp() + ".journal"));
  }
}

TEST_F(KzpCrashTest, AnUpdateWhoseJournalOutlivesItsCommitStaysComplete) {
  platform::posix::RefuseRemove(JournalPath(Kzp()), 1);
  EXPECT_TRUE(Update(2).Ok);
  EXPECT_EQ(ContentsOfKzp(Kzp()), after_);
  EXPECT_EQ(RecoverArchive(Kzp()).Outcome, JournalRecovery::Completed);
  EXPECT_EQ(ContentsOfKzp(Kzp()), after_);
}

TEST_F(KzpCrashTest, AJournalThatCannotBeReadStopsTheUpdateAndStays) {
  const Bytes garbage = ToBytes("not a journal at all");
  WriteFileBytes(JournalPath(Kzp()), garbage);
  const KzpOutcome outcome = Update(2);
  EXPECT_FALSE(outcome.Ok);
  EXPECT_NE(outcome.Message.find("game.kzp.journal cannot be read"), std::string::npos) << outcome.Message;
  EXPECT_EQ(ReadFileBytes(Kzp()), baseBytes_);
  EXPECT_EQ(ReadFileBytes(JournalPath(Kzp())), garbage);
}

}  // namespace
}  // namespace setup::test
