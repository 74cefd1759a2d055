// "goto", "iffileexists", "messagebox" and "failure" in whole runs, and the CD-ROM
// resolution of paths.
#include <filesystem>
#include <memory>

#include "base/errors.h"
#include "platform/dialogs.h"
#include "script/cd_drive_path.h"
#include "script/script_run_fixture.h"

namespace setup::test {
namespace {

using platform::DriveType;
using Visits = std::vector<int32_t>;

// Records the index of every line it runs; stands in for the lines a jump skips or reaches.
class TVisitCommand final : public TCommandClass {
 public:
  explicit TVisitCommand(Visits* visits) : TCommandClass("visit", false), visits_(visits) {}
  void SFXProcess(SetupContext&, int32_t lineIndex) override { visits_->push_back(lineIndex); }

 private:
  Visits* visits_;
};

// Installs a message handler that keeps the whole request and gives one answer.
class MessageRequests {
 public:
  explicit MessageRequests(int answer) {
    previous_ = platform::SetMessageHandler([this, answer](const platform::MessageRequest& r) {
      requests.push_back(r);
      return answer;
    });
  }
  ~MessageRequests() { platform::SetMessageHandler(std::move(previous_)); }
  std::vector<platform::MessageRequest> requests;

 private:
  platform::MessageHandler previous_;
};

class ControlFlowTest : public ScriptRunTest {
 protected:
  void SetUp() override {
    ScriptRunTest::SetUp();
    context.Commands.Add(std::make_unique<TVisitCommand>(&visits));
  }
  // A fresh script: the line under test at index 0, then three visit lines.
  void Script(const std::string& keyword, const std::vector<std::string>& params) {
    context.CompiledLines.Clear();
    visits.clear();
    Line(keyword, params);
    for (int i = 0; i < 3; ++i) Line("visit", {});
  }
  Visits visits;
};

TEST_F(ControlFlowTest, GotoJumpsToTheLineAfterItsTargetAndIgnoresBadTargets) {
  const struct {
    std::vector<std::string> params;
    int32_t lineIndex;  // the goto line's stored index (a damaged script may differ)
    Visits visits;
  } cases[] = {
      {{"0"}, 0, {1, 2, 3}},     // own line: simply the next one
      {{"1"}, 0, {2, 3}},        // continues after the target
      {{"-1"}, 0, {1, 2, 3}},    // falls through
      {{"label"}, 0, {1, 2, 3}}, // not a number
      {{}, 0, {1, 2, 3}},        // parameter missing
      {{"1000"}, 0, {}},         // beyond the end: the script ends
      {{"2147483647"}, 0, {}},   // the next pass must not overflow
      {{"1"}, 99, {1, 2, 3}},    // index of no line: nothing to read, no jump
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.params) + " at " + std::to_string(c.lineIndex));
    Script("goto", c.params);
    context.CompiledLines.Find(0)->LineIndex = c.lineIndex;
    Run();
    EXPECT_EQ(visits, c.visits);
    EXPECT_FALSE(context.Run.SetupFailed);
  }
  // A jump beyond the end still ends the run normally: the folder is created.
  EXPECT_TRUE(std::filesystem::is_directory(Local("C:\\Program Files\\Demo")));
}

TEST_F(ControlFlowTest, FailureSkipsTheRestButStillSavesTheLog) {
  context.SetupInfo.CreateUninstaller = 1;
  context.SetupInfo.UninstallPrefix = "p_";
  Line("visit", {});
  Line("failure", {});
  Line("goto", {"0"});  // would loop for ever if it were reached
  Line("visit", {});
  Run();
  EXPECT_EQ(visits, Visits{0});
  EXPECT_TRUE(context.Run.SetupFailed);
  const THandOffPending pending = context.HandOff.TakePending();
  EXPECT_EQ(pending.FinishText, u"Setup failed to install patch.");
  EXPECT_TRUE(pending.RepaintFinishText);
  EXPECT_TRUE(std::filesystem::is_regular_file(Local("C:\\Program Files\\Demo\\p_install.log")));
}

TEST_F(ControlFlowTest, IfFileExistsTakesTheBranchOfTheExpandedPath) {
  std::filesystem::create_directories(Local("C:\\Program Files\\Demo"));
  WriteFileBytes(Local("C:\\Program Files\\Demo\\present.txt"), Bytes{1});
  const struct {
    std::vector<std::string> params;
    Visits visits;
  } cases[] = {
      {{"$INSTDIR\\present.txt", "2", "1"}, {3}},    // present: after line 2
      {{"$INSTDIR\\absent.txt", "2", "1"}, {2, 3}},  // absent: after line 1
      {{"$INSTDIR\\present.txt", "-1", "-1"}, {1, 2, 3}},
      {{"$INSTDIR\\present.txt", "0", "x"}, {1, 2, 3}},  // 0 jumps: on after line 0
      {{"$INSTDIR\\absent.txt"}, {1, 2, 3}},             // branches missing
      {{}, {1, 2, 3}},                                // everything missing
  };
  for (const auto& c : cases) {
    Script("iffileexists", c.params);
    Run();
    EXPECT_EQ(visits, c.visits) << ::testing::PrintToString(c.params);
  }
}

TEST_F(ControlFlowTest, MessageBoxJumpsToTheAnswersOwnLine) {
  const struct {
    int answer;
    std::string onOk, onCancel;
    Visits visits;
  } cases[] = {
      {platform::kAnswerOk, "3", "2", {3}},  // continues with line 3 itself
      {platform::kAnswerCancel, "3", "2", {2, 3}},
      {platform::kAnswerOk, "0", "2", {1, 2, 3}},  // OK target 0: no jump, not Cancel's
      {platform::kAnswerCancel, "3", "0", {1, 2, 3}},
      {platform::kAnswerOk, "three", "2", {1, 2, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.answer) + " ok=" + c.onOk + " cancel=" + c.onCancel);
    Script("messagebox", {"Install into $INSTDIR?", "$LANGUAGESELECTION", c.onOk, c.onCancel});
    MessageRequests boxes(c.answer);
    Run();
    EXPECT_EQ(visits, c.visits);
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(boxes.requests[0].text, u"Install into C:\\Program Files\\Demo\\?");
    EXPECT_EQ(boxes.requests[0].caption, u"English");
    EXPECT_EQ(boxes.requests[0].buttons, platform::MessageButtons::OkCancel);
    EXPECT_EQ(boxes.requests[0].icon, platform::MessageIcon::Question);
  }
  // A damaged line without parameters asks with empty texts and does not jump.
  Script("messagebox", {});
  MessageRequests boxes(platform::kAnswerOk);
  Run();
  EXPECT_EQ(visits, (Visits{1, 2, 3}));
  ASSERT_EQ(boxes.requests.size(), 1u);
  EXPECT_EQ(boxes.requests[0].text, u"");
}

TEST_F(ControlFlowTest, CdDrivePathsTakeTheFirstCdRomThatHoldsTheFile) {
  platform::posix::SetLogicalDrives({{"C:\\", DriveType::Fixed},
                                     {"D:\\", DriveType::CdRom},
                                     {"E:\\", DriveType::Removable},
                                     {"F:\\", DriveType::CdRom}});
  std::filesystem::create_directories(Local("E:\\disc"));
  std::filesystem::create_directories(Local("F:\\disc"));
  WriteFileBytes(Local("E:\\disc\\data.bin"), Bytes{1});  // not a CD-ROM: ignored
  WriteFileBytes(Local("F:\\disc\\data.bin"), Bytes{1});

  EXPECT_EQ(ResolveCdDrivePath("$cdDrive\\disc\\data.bin"), "F:\\\\disc\\data.bin");
  EXPECT_EQ(ResolveCdDrivePath("$CDDRIVE\\disc\\missing.bin"), "$CDDRIVE\\disc\\missing.bin");
  EXPECT_EQ(ResolveCdDrivePath("C:\\disc\\data.bin"), "C:\\disc\\data.bin");

  // "iffileexists" finds the file on the second CD-ROM drive although start-up chose
  // the first one for $CDDRIVE.
  context.Variables.CdDrive = "D:\\";
  Script("iffileexists", {"$CDDRIVE\\disc\\data.bin", "1", "-1"});
  Run();
  EXPECT_EQ(visits, (Visits{2, 3}));

  // A drive list longer than the system's buffer is an error, not a truncated list.
  using platform::posix::LogicalDrive;
  platform::posix::SetLogicalDrives(std::vector<LogicalDrive>(40, {"D:\\", DriveType::CdRom}));
  EXPECT_THROW(ResolveCdDrivePath("$CDDRIVE\\x"), SetupError);
  EXPECT_EQ(ResolveCdDrivePath("C:\\x"), "C:\\x");  // no drive list needed
}

}  // namespace
}  // namespace setup::test
