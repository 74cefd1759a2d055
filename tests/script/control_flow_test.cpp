// Whole runs: the line loop with the installation folder and the log at its end, the
// worker thread around it, "goto", "iffileexists", "messagebox" and "failure", and the
// CD-ROM resolution of paths.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>

#include "base/crc32.h"
#include "base/errors.h"
#include "installlog/uninstall_list.h"
#include "platform/dialogs.h"
#include "script/cd_drive_path.h"
#include "script/script_run_fixture.h"

namespace setup::test {
namespace {

using Clock = std::chrono::steady_clock;
using platform::DriveType;
using Visits = std::vector<int32_t>;

// Calls a function with its line index: records the lines a jump skips or reaches, or
// raises.
class TCallCommand final : public TCommandClass {
 public:
  TCallCommand(const char* name, std::function<void(int32_t)> call)
      : TCommandClass(name, false), call_(std::move(call)) {}
  void SFXProcess(SetupContext&, int32_t lineIndex) override { call_(lineIndex); }

 private:
  std::function<void(int32_t)> call_;
};

// Keeps every message request (buttons and icon too) and gives one answer.
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

// Waits up to ten seconds for the condition; a fault shows as a failed test, not a hang.
template <typename Condition>
bool WaitFor(Condition condition) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class ControlFlowTest : public ScriptRunTest {
 protected:
  void SetUp() override {
    ScriptRunTest::SetUp();
    context.Commands.Add(std::make_unique<TCallCommand>("visit", [this](int32_t i) { visits.push_back(i); }));
    // "raise" raises a SetupError, "throw" something that is no std::exception.
    context.Commands.Add(std::make_unique<TCallCommand>("raise", [](int32_t) { throw SetupError("bad"); }));
    context.Commands.Add(std::make_unique<TCallCommand>("throw", [](int32_t) { throw 42; }));
  }
  // Runs a fresh script: the line under test at index 0, then three visit lines.
  void RunScriptOf(const std::string& keyword, const std::vector<std::string>& params,
                   int32_t lineIndex = 0) {
    context.CompiledLines.Clear();
    visits.clear();
    Line(keyword, params);
    context.CompiledLines.Find(0)->LineIndex = lineIndex;
    for (int i = 0; i < 3; ++i) Line("visit", {});
    Run();
  }
  Visits visits;
};

TEST_F(ControlFlowTest, ScriptWithoutCommandsStillCreatesTheFolderAndSavesTheLog) {
  // No lines at all with an uninstaller; comments only without one.
  for (const int lines : {0, 2}) {
    SCOPED_TRACE(std::to_string(lines) + " lines");
    std::filesystem::remove_all(Local("C:\\Program Files"));
    context.UninstallList.Clear();
    const bool saves = lines == 0;
    context.SetupInfo.CreateUninstaller = saves ? 1 : 0;
    context.SetupInfo.UninstallPrefix = "Demo_";
    for (int i = 0; i < lines; ++i) Label();
    Run();
    EXPECT_EQ(context.Run.CurrentLine, lines == 0 ? -1 : lines);
    EXPECT_TRUE(std::filesystem::is_directory(Local("C:\\Program Files\\Demo")));
    const std::vector<std::string> folders = {"C:\\Program Files\\", "C:\\Program Files\\Demo\\"};
    EXPECT_EQ(context.UninstallList.Folders(), folders);
    TUninstallList saved;
    EXPECT_EQ(saved.Load(context.SetupInfo.InstallDir, "Demo_"),
              saves ? LoadResult::Loaded : LoadResult::NotFound);
    EXPECT_EQ(saved.Folders(), saves ? folders : std::vector<std::string>{});
  }
}

// Catches: a thread that runs unasked, leaves Running set, or ends only after a timeout.
TEST_F(ControlFlowTest, ThreadRunsOnRequestClearsRunningAndStopsPromptly) {
  Label();
  std::vector<std::string> errors;
  auto thread = std::make_unique<TSetupThread>(
      context, [&](const std::string& m, const std::string&) { errors.push_back(m); });
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(std::filesystem::exists(Local("C:\\Program Files\\Demo")));  // idle until asked
  context.Run.CurrentLine = -1;
  thread->Running = true;
  ASSERT_TRUE(WaitFor([&] { return !thread->Running; }));
  EXPECT_TRUE(std::filesystem::is_directory(Local("C:\\Program Files\\Demo")));
  EXPECT_EQ(context.Run.CurrentLine, 1);  // one past the only line
  EXPECT_TRUE(errors.empty());
  const auto start = Clock::now();
  thread.reset();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}

TEST_F(ControlFlowTest, ErrorInACommandReachesTheHandlerAndEndsTheThread) {
  for (const bool setupError : {true, false}) {
    SCOPED_TRACE(setupError);
    context.CompiledLines.Clear();
    Line(setupError ? "raise" : "throw", {});
    context.Run.CurrentLine = -1;
    std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> errors;
    TSetupThread thread(context, [&](const std::string& message, const std::string& type) {
      std::lock_guard<std::mutex> lock(mutex);
      errors.emplace_back(message, type);
    });
    thread.Running = true;
    ASSERT_TRUE(WaitFor([&] {
      std::lock_guard<std::mutex> lock(mutex);
      return !errors.empty() && !thread.Running;
    }));
    EXPECT_EQ(errors[0].first, setupError ? "bad" : "");
    EXPECT_EQ(errors[0].second, "Setup Thread");
    // The thread has ended: the run stopped at the error, and a new request is not served.
    EXPECT_FALSE(std::filesystem::exists(Local("C:\\Program Files\\Demo")));
    thread.Running = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(thread.Running);
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(errors.size(), 1u);
  }
}

// Beyond the end the script ends (and the next pass must not overflow); a target that
// is no number or missing, or a line index of no line, makes no jump.
TEST_F(ControlFlowTest, GotoJumpsToTheLineAfterItsTargetAndIgnoresBadTargets) {
  const struct {
    std::vector<std::string> params;
    int32_t lineIndex;  // the goto line's stored index (a damaged script may differ)
    Visits visits;
  } cases[] = {{{"1"}, 0, {2, 3}}, {{"1000"}, 0, {}},         {{"2147483647"}, 0, {}},
               {{}, 0, {1, 2, 3}}, {{"label"}, 0, {1, 2, 3}}, {{"1"}, 99, {1, 2, 3}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.params) + " at " + std::to_string(c.lineIndex));
    RunScriptOf("goto", c.params, c.lineIndex);
    EXPECT_EQ(visits, c.visits);
    EXPECT_FALSE(context.Run.SetupFailed);
  }
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
      {{}, {1, 2, 3}},
  };
  for (const auto& c : cases) {
    RunScriptOf("iffileexists", c.params);
    EXPECT_EQ(visits, c.visits) << ::testing::PrintToString(c.params);
  }
}

// Fault: the CRC compared with the wrong value or case, a missing or unreadable file
// taken as equal, the file read whole instead of in pieces (a file over one piece).
TEST_F(ControlFlowTest, IfFileCrcJumpsOnTheFilesCrc32) {
  std::filesystem::create_directories(Local("C:\\Program Files\\Demo\\folder.txt"));
  WriteFileBytes(Local("C:\\Program Files\\Demo\\abc.txt"), Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9'});
  Bytes big(200000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  WriteFileBytes(Local("C:\\Program Files\\Demo\\big.bin"), big);
  char bigCrc[9];
  std::snprintf(bigCrc, sizeof bigCrc, "%08x", static_cast<unsigned>(Crc32(big)));
  const struct {
    std::vector<std::string> params;
    Visits visits;
  } cases[] = {
      // "123456789" has the CRC-32 CBF43926 (the standard check value).
      {{"$INSTDIR\\abc.txt", "CBF43926", "2", "1"}, {3}},       // equal: after line 2
      {{"$INSTDIR\\abc.txt", "cbf43926", "2", "1"}, {3}},       // either case
      {{"$INSTDIR\\abc.txt", "CBF43927", "2", "1"}, {2, 3}},    // different: after line 1
      {{"$INSTDIR\\missing.txt", "00000000", "2", "1"}, {2, 3}},  // missing: different
      {{"$INSTDIR\\folder.txt", "00000000", "2", "1"}, {2, 3}},   // a folder: different
      {{"$INSTDIR\\abc.txt", "CBF4392", "2", "1"}, {2, 3}},     // a damaged CRC: different
      {{"$INSTDIR\\abc.txt", "CBF43927", "2", "-1"}, {1, 2, 3}},
      {{"$INSTDIR\\big.bin", bigCrc, "2", "1"}, {3}},
      {{}, {1, 2, 3}},
  };
  for (const auto& c : cases) {
    RunScriptOf("iffilecrc", c.params);
    EXPECT_EQ(visits, c.visits) << ::testing::PrintToString(c.params);
  }
}

TEST_F(ControlFlowTest, MessageBoxJumpsToTheAnswersOwnLine) {
  const struct {
    int answer;
    std::vector<std::string> targets;  // OK, Cancel
    Visits visits;
  } cases[] = {
      {platform::kAnswerOk, {"3", "2"}, {3}},  // continues with line 3 itself
      {platform::kAnswerCancel, {"3", "2"}, {2, 3}},
      {platform::kAnswerOk, {"0", "2"}, {1, 2, 3}},  // OK target 0: no jump, not Cancel's
      {platform::kAnswerCancel, {"3", "0"}, {1, 2, 3}},
      {platform::kAnswerOk, {"three", "2"}, {1, 2, 3}},
      {platform::kAnswerOk, {}, {1, 2, 3}},  // a damaged line: empty texts, no jump
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.answer) + " " + ::testing::PrintToString(c.targets));
    std::vector<std::string> params;
    if (!c.targets.empty())
      params = {"Install into $INSTDIR?", "$LANGUAGESELECTION", c.targets[0], c.targets[1]};
    MessageRequests boxes(c.answer);
    RunScriptOf("messagebox", params);
    EXPECT_EQ(visits, c.visits);
    ASSERT_EQ(boxes.requests.size(), 1u);
    const platform::MessageRequest& box = boxes.requests[0];
    EXPECT_EQ(box.text, params.empty() ? u"" : u"Install into C:\\Program Files\\Demo\\?");
    EXPECT_EQ(box.caption, params.empty() ? u"" : u"English");
    EXPECT_EQ(box.buttons, platform::MessageButtons::OkCancel);
    EXPECT_EQ(box.icon, platform::MessageIcon::Question);
  }
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

  // "iffileexists" finds it there although start-up chose D: for $CDDRIVE.
  context.Variables.CdDrive = "D:\\";
  RunScriptOf("iffileexists", {"$CDDRIVE\\disc\\data.bin", "1", "-1"});
  EXPECT_EQ(visits, (Visits{2, 3}));

  // A drive list longer than the system's buffer is an error, not a truncated list.
  using platform::posix::LogicalDrive;
  platform::posix::SetLogicalDrives(std::vector<LogicalDrive>(40, {"D:\\", DriveType::CdRom}));
  EXPECT_THROW(ResolveCdDrivePath("$CDDRIVE\\x"), SetupError);
  EXPECT_EQ(ResolveCdDrivePath("C:\\x"), "C:\\x");
}

}  // namespace
}  // namespace setup::test
