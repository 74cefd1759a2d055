// Opening and verifying the package at start-up, seen through a recording window.
#include "setup/self_verification.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/posix/posix_controls.h"
#include "test_support.h"

namespace setup {
namespace {

using test::ToBytes;

class RecordingView : public IVerifyView {
 public:
  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  void SetProgress(uint32_t position, uint32_t maximum) override { progress.emplace_back(position, maximum); }
  void Repaint() override { ++repaints; }

  std::vector<std::string> statuses;
  std::vector<std::pair<uint32_t, uint32_t>> progress;
  int repaints = 0;
};

class SelfVerification : public ::testing::Test {
 protected:
  void SetUp() override { platform::posix::SetManualClock(true, 1000); }
  void TearDown() override { platform::posix::SetManualClock(false); }

  std::string WritePackage(const std::vector<test::RawEntry>& entries,
                           const std::string& name = "setup.exe") {
    raw_ = test::BuildRawPackage(entries, ToBytes("MZ stub"));
    test::WriteFileBytes(dir_.Path(name), raw_.bytes);
    return dir_.Path(name);
  }

  VerificationOutcome Run(const std::vector<std::string>& args, const std::string& module) {
    return OpenAndVerifyPackage(context_, args, module, view_);
  }

  test::TempDir dir_;
  test::RawPackage raw_;
  SetupContext context_;
  RecordingView view_;
  test::MessageRecorder boxes_;
};

TEST_F(SelfVerification, VerifiesEveryEntryCountsProgressFromOneAndPausesHalfASecond) {
  const std::string exe = WritePackage({{"SetupInfo", 0, ToBytes("info info info info info"), true},
                                        {"a.txt", 1, test::CompressibleBytes(1000), true},
                                        {"empty", 1, {}, true},
                                        {"b.bin", 2, test::RandomBytes(300), false}});
  const uint32_t before = platform::TickCount();
  // Work done inside the pause (the main form made) runs after the last entry and
  // does not lengthen the pause.
  size_t statusesAtPause = 0;
  EXPECT_EQ(OpenAndVerifyPackage(context_, {}, exe, view_,
                                 [&] {
                                   statusesAtPause = view_.statuses.size();
                                   platform::SleepMs(200);
                                 }),
            VerificationOutcome::Verified);
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_FALSE(context_.ExternalPackage);
  EXPECT_EQ(context_.Variables.RequiredSpace, 1300);
  EXPECT_EQ(platform::TickCount() - before, 500u);
  EXPECT_EQ(statusesAtPause, 6u);

  std::vector<std::string> expected = {"Loading Header"};
  for (int i = 0; i <= 4; ++i)
    expected.push_back("Status: " + std::to_string(i) + " out of 4 files verifyed");
  EXPECT_EQ(view_.statuses, expected);
  EXPECT_EQ(view_.progress[1], std::make_pair(0u, 4u));
  EXPECT_EQ(view_.progress.back(), std::make_pair(4u, 4u));
  EXPECT_EQ(view_.repaints, 6);
}

// Catches: the unattended run, whose window nobody sees, still waiting half a second.
TEST_F(SelfVerification, AHiddenViewDoesNotPauseButStillRunsTheWorkOfThePause) {
  struct HiddenView : RecordingView {
    bool Shown() const override { return false; }
  } hidden;
  const std::string exe = WritePackage({{"SetupInfo", 0, ToBytes("info info info info info"), true}});
  const uint32_t before = platform::TickCount();
  bool ran = false;
  EXPECT_EQ(OpenAndVerifyPackage(context_, {}, exe, hidden, [&] { ran = true; }), VerificationOutcome::Verified);
  EXPECT_TRUE(ran);
  EXPECT_EQ(platform::TickCount(), before);
}

TEST_F(SelfVerification, AFileWithoutAPackageStopsWithTheInvalidHeaderMessage) {
  test::WriteFileBytes(dir_.Path("bare.exe"), ToBytes("MZ only a program, nothing appended"));
  EXPECT_EQ(Run({}, dir_.Path("bare.exe")), VerificationOutcome::InvalidHeader);
  test::ExpectOneBox(boxes_, "Error", "Invalid Setup Header. No Contents or Corrupted Contents.");

  // A trailer whose table does not fit the file says the same.
  std::string exe = WritePackage({{"x", 0, ToBytes("content")}});
  raw_.bytes[raw_.bytes.size() - 10] = 0x40;  // count 64
  test::WriteFileBytes(exe, raw_.bytes);
  EXPECT_EQ(Run({}, exe), VerificationOutcome::InvalidHeader);
  EXPECT_EQ(boxes_.boxes.size(), 2u);
}

TEST_F(SelfVerification, AFailingEntryIsNamedWithItsZeroBasedIndex) {
  std::string exe = WritePackage({{"SetupInfo", 0, ToBytes("aaaaaaaaaaaaaaaaaaaaaaaa")},
                                  {"one", 1, ToBytes("bbbbbbbbbbbbbbbbbbbbbbbbbbbbb")},
                                  {"data\\two.bin", 1, test::CompressibleBytes(2000)},
                                  {"three", 1, ToBytes("ccccccccccccccccccccccccccc")}});
  raw_.bytes[raw_.records[2].offset + 10] ^= 0x20;
  test::WriteFileBytes(exe, raw_.bytes);
  EXPECT_EQ(Run({}, exe), VerificationOutcome::EntryFailed);
  test::ExpectOneBox(boxes_, "Verification Error",
                     "Error: Verification Failed. Setup is corrupt.\rID: 2 Filename: data\\two.bin");
  EXPECT_EQ(view_.statuses.back(), "Status: 2 out of 4 files verifyed");

  // A wrong length: the package's own box first, then the verification box.
  raw_.bytes[raw_.records[2].offset + 10] ^= 0x20;       // intact again
  raw_.bytes[test::RecordCrcPos(raw_, 2) + 12] ^= 0x01;  // but entry 2's size
  test::WriteFileBytes(exe, raw_.bytes);
  EXPECT_EQ(Run({}, exe), VerificationOutcome::EntryFailed);
  ASSERT_EQ(boxes_.boxes.size(), 3u);
  EXPECT_EQ(boxes_.boxes[1].caption, "Error");
  EXPECT_EQ(boxes_.boxes[2].caption, "Verification Error");
}

TEST_F(SelfVerification, EmptyEntriesPassUnreadAndCountNothing) {
  // Empty entries with nonsense offsets and CRCs: they must not even be looked at.
  std::string exe = WritePackage({{"a", 1, {}}, {"b", 2, {}}});
  raw_.bytes[test::RecordCrcPos(raw_, 0) + 4] = 0xEE;  // offset of "a"
  raw_.bytes[test::RecordCrcPos(raw_, 0)] = 0x11;      // CRC of "a"
  test::WriteFileBytes(exe, raw_.bytes);
  EXPECT_EQ(Run({}, exe), VerificationOutcome::Verified);
  EXPECT_EQ(context_.Variables.RequiredSpace, 0);
}

TEST_F(SelfVerification, TheFirstArgumentNamesAnExternalPackageOnlyWhenItIsAFile) {
  const std::string package = WritePackage({{"SetupInfo", 0, ToBytes("external")}}, "data.pak");
  test::WriteFileBytes(dir_.Path("bare.exe"), ToBytes("MZ"));

  EXPECT_EQ(Run({package, "ignored"}, dir_.Path("bare.exe")), VerificationOutcome::Verified);
  EXPECT_TRUE(context_.ExternalPackage);

  // A folder or a missing file as first argument: the program's own file is read.
  for (const std::string& arg : {dir_.Path(), dir_.Path("missing.pak")}) {
    EXPECT_EQ(Run({arg}, package), VerificationOutcome::Verified) << arg;
    EXPECT_FALSE(context_.ExternalPackage);
    EXPECT_EQ(Run({arg}, dir_.Path("bare.exe")), VerificationOutcome::InvalidHeader) << arg;
  }
}

TEST_F(SelfVerification, ErrorsInsideTheLoopBelongToTheVerificationStage) {
  std::string exe = WritePackage(
      {{"ok", 0, ToBytes("fine fine fine fine fine")}, {"broken", 1, test::CompressibleBytes(500)}});
  raw_.bytes[raw_.records[1].offset + raw_.records[1].storedSize - 1] ^= 0xFF;  // a wrong Adler-32
  test::RestampCrc(raw_, 1);
  test::WriteFileBytes(exe, raw_.bytes);
  EXPECT_THROW(Run({}, exe), VerificationStageError);
}

}  // namespace
}  // namespace setup
