// "goto", "iffileexists", "messagebox" and "failure" in whole runs, and the CD-ROM
// resolution of paths.
#include <climits>
#include <filesystem>
#include <memory>

#include "base/errors.h"
#include "platform/dialogs.h"
#include "script/cd_drive_path.h"
#include "script/script_run_fixture.h"
#include "uninstall/uninstall_list.h"

namespace setup::test {
namespace {

using platform::DriveType;
using platform::posix::LogicalDrive;

// Records the index of every line it runs; stands in for the lines a jump skips or reaches.
class TVisitCommand final : public TCommandClass {
 public:
  explicit TVisitCommand(std::vector<int32_t>* visits) : TCommandClass("visit", false), visits_(visits) {}
  void SFXProcess(SetupContext&, int32_t lineIndex) override { visits_->push_back(lineIndex); }

 private:
  std::vector<int32_t>* visits_;
};

// Runs the real "goto" of its line and counts the passes; after `limit` passes it turns
// its target into "-1", so that an endless loop written in the script ends in a test.
class TBoundedGotoCommand final : public TCommandClass {
 public:
  TBoundedGotoCommand(TCommandClass* gotoCommand, int limit)
      : TCommandClass("boundedgoto", false), goto_(gotoCommand), limit_(limit) {}
  void SFXProcess(SetupContext& context, int32_t lineIndex) override {
    if (++passes == limit_) context.CompiledLines.Find(lineIndex)->Params[0] = "-1";
    goto_->SFXProcess(context, lineIndex);
  }
  int passes = 0;

 private:
  TCommandClass* goto_;
  int limit_;
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
  std::vector<int32_t> visits;
};

TEST_F(ControlFlowTest, GotoJumpsToTheLineAfterItsTargetAndIgnoresBadTargets) {
  struct Case {
    std::vector<std::string> params;
    int32_t lineIndex;  // the goto line's stored index (a damaged script may differ)
    std::vector<int32_t> visits;
  };
  const Case cases[] = {
      {{"1"}, 1, {0, 2, 3}},      // own line: simply the next one
      {{"2"}, 1, {0, 3}},         // continues after the target
      {{"-1"}, 1, {0, 2, 3}},     // falls through
      {{"label"}, 1, {0, 2, 3}},  // not a number
      {{}, 1, {0, 2, 3}},         // parameter missing
      {{"1000"}, 1, {0}},         // beyond the end: the script ends
      {{"2147483647"}, 1, {0}},   // the next pass must not overflow
      {{"2"}, 99, {0, 2, 3}},     // index of no line: nothing to read, no jump
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.params) + " at " + std::to_string(c.lineIndex));
    context.CompiledLines.Clear();
    visits.clear();
    Line("visit", {});
    Line("goto", c.params);
    context.CompiledLines.Find(1)->LineIndex = c.lineIndex;
    Line("visit", {});
    Line("visit", {});
    Run();
    EXPECT_EQ(visits, c.visits);
    EXPECT_FALSE(context.Run.SetupFailed);
  }
  // A jump beyond the end still ends the run normally: the folder is created.
  EXPECT_TRUE(std::filesystem::is_directory(Local("C:\\Program Files\\Demo")));
}

TEST_F(ControlFlowTest, GotoToTheLineBeforeRunsItselfAgain) {
  auto* bounded =
      new TBoundedGotoCommand(context.Commands.CommandById(context.Commands.IdByKeyword("goto")), 5);
  context.Commands.Add(std::unique_ptr<TCommandClass>(bounded));
  Line("visit", {});
  Line("boundedgoto", {"0"});
  Line("visit", {});
  Run();
  EXPECT_EQ(bounded->passes, 5);
  EXPECT_EQ(visits, (std::vector<int32_t>{0, 2}));
}

TEST_F(ControlFlowTest, FailureSkipsTheRestButStillSavesTheLog) {
  context.SetupInfo.CreateUninstaller = 1;
  context.SetupInfo.UninstallPrefix = "p_";
  Line("visit", {});
  Line("failure", {});
  Line("goto", {"0"});  // would loop for ever if it were reached
  Line("visit", {});
  Run();
  EXPECT_EQ(visits, (std::vector<int32_t>{0}));
  EXPECT_TRUE(context.Run.SetupFailed);
  const THandOffPending pending = context.HandOff.TakePending();
  ASSERT_TRUE(pending.FinishText.has_value());
  EXPECT_EQ(*pending.FinishText, u"Setup failed to install patch.");
  EXPECT_TRUE(pending.RepaintFinishText);
  EXPECT_TRUE(std::filesystem::is_regular_file(Local("C:\\Program Files\\Demo\\p_install.log")));
}

TEST_F(ControlFlowTest, IfFileExistsTakesTheBranchOfTheExpandedPath) {
  std::filesystem::create_directories(Local("C:\\Program Files\\Demo"));
  WriteFileBytes(Local("C:\\Program Files\\Demo\\present.txt"), Bytes{1});
  struct Case {
    std::vector<std::string> params;
    std::vector<int32_t> visits;
  };
  const Case cases[] = {
      {{"$INSTDIR\\present.txt", "2", "1"}, {3}},    // present: after line 2
      {{"$INSTDIR\\absent.txt", "2", "1"}, {2, 3}},  // absent: after line 1
      {{"$INSTDIR\\present.txt", "-1", "-1"}, {1, 2, 3}},
      {{"$INSTDIR\\absent.txt", "-1", "-1"}, {1, 2, 3}},
      {{"$INSTDIR\\present.txt", "0", "x"}, {1, 2, 3}},  // 0 jumps: on after line 0
      {{"$INSTDIR\\absent.txt"}, {1, 2, 3}},             // branches missing
      {{}, {1, 2, 3}},                                   // everything missing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.params));
    context.CompiledLines.Clear();
    visits.clear();
    Line("iffileexists", c.params);
    Line("visit", {});
    Line("visit", {});
    Line("visit", {});
    Run();
    EXPECT_EQ(visits, c.visits);
  }
}

TEST_F(ControlFlowTest, MessageBoxJumpsToTheAnswersOwnLine) {
  struct Case {
    int answer;
    std::string onOk, onCancel;
    std::vector<int32_t> visits;
  };
  const Case cases[] = {
      {platform::kAnswerOk, "3", "2", {3}},  // continues with line 3 itself
      {platform::kAnswerCancel, "3", "2", {2, 3}},
      {platform::kAnswerOk, "0", "2", {1, 2, 3}},  // OK target 0: no jump, not Cancel's
      {platform::kAnswerCancel, "3", "0", {1, 2, 3}},
      {platform::kAnswerCancel, "3", "-1", {1, 2, 3}},
      {platform::kAnswerOk, "three", "2", {1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.answer) + " ok=" + c.onOk + " cancel=" + c.onCancel);
    context.CompiledLines.Clear();
    visits.clear();
    Line("messagebox", {"Install into $INSTDIR?", "$LANGUAGESELECTION", c.onOk, c.onCancel});
    Line("visit", {});
    Line("visit", {});
    Line("visit", {});
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
  context.CompiledLines.Clear();
  visits.clear();
  Line("messagebox", {});
  Line("visit", {});
  MessageRequests boxes(platform::kAnswerOk);
  Run();
  EXPECT_EQ(visits, (std::vector<int32_t>{1}));
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
  WriteFileBytes(Local("F:\\disc\\only.bin"), Bytes{1});

  EXPECT_EQ(ResolveCdDrivePath("$cdDrive\\disc\\data.bin"), "F:\\\\disc\\data.bin");
  EXPECT_EQ(ResolveCdDrivePath("$CDDRIVE\\disc\\missing.bin"), "$CDDRIVE\\disc\\missing.bin");
  EXPECT_EQ(ResolveCdDrivePath("C:\\disc\\data.bin"), "C:\\disc\\data.bin");

  // "iffileexists" finds the file on the second CD-ROM drive although start-up chose
  // the first one for $CDDRIVE.
  context.Variables.CdDrive = "D:\\";
  Line("iffileexists", {"$CDDRIVE\\disc\\only.bin", "1", "-1"});
  Line("visit", {});
  Line("visit", {});
  Run();
  EXPECT_EQ(visits, (std::vector<int32_t>{2}));

  // A drive list longer than the system's buffer is an error, not a truncated list.
  platform::posix::SetLogicalDrives(std::vector<LogicalDrive>(40, {"D:\\", DriveType::CdRom}));
  EXPECT_THROW(ResolveCdDrivePath("$CDDRIVE\\x"), SetupError);
  EXPECT_EQ(ResolveCdDrivePath("C:\\x"), "C:\\x");  // no drive list needed
}

}  // namespace
}  // namespace setup::test
