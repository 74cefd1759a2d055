// The run as a whole (lines, installation folder, log) and the worker thread around it.
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "base/errors.h"
#include "script/script_run_fixture.h"
#include "uninstall/uninstall_list.h"

namespace setup::test {
namespace {

using Clock = std::chrono::steady_clock;

// Raises what it is given when it runs: a SetupError, or something that is no
// std::exception at all.
class TRaiseCommand final : public TCommandClass {
 public:
  explicit TRaiseCommand(bool setupError) : TCommandClass("raise", false), setupError_(setupError) {}
  void SFXProcess(SetupContext&, int32_t) override {
    if (setupError_) throw SetupError("'x' is not a valid integer value");
    throw 42;
  }

 private:
  bool setupError_;
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

using SetupRunTest = ScriptRunTest;

TEST_F(SetupRunTest, ScriptOfCommentsStillCreatesTheFolderAndSavesTheLog) {
  for (const uint8_t createUninstaller : {uint8_t{0}, uint8_t{1}}) {
    SCOPED_TRACE(int{createUninstaller});
    std::filesystem::remove_all(Local("C:\\Program Files"));
    context.UninstallList.Clear();
    context.CompiledLines.Clear();
    context.SetupInfo.CreateUninstaller = createUninstaller;
    context.SetupInfo.UninstallPrefix = "Demo_";
    Label();
    Label();
    Run();
    EXPECT_EQ(context.Run.CurrentLine, 2);
    EXPECT_TRUE(std::filesystem::is_directory(Local("C:\\Program Files\\Demo")));
    const std::vector<std::string> folders = {"C:\\Program Files\\", "C:\\Program Files\\Demo\\"};
    EXPECT_EQ(context.UninstallList.Folders(), folders);
    const std::string log = Local("C:\\Program Files\\Demo\\Demo_install.log");
    ASSERT_EQ(std::filesystem::exists(log), createUninstaller == 1);
    if (createUninstaller == 1) {
      TUninstallList saved;
      saved.Load(context.SetupInfo.InstallDir, "Demo_");
      EXPECT_EQ(saved.Folders(), folders);
    }
  }
}

TEST_F(SetupRunTest, EmptyScriptEndsAtOnce) {
  Run();
  EXPECT_EQ(context.Run.CurrentLine, -1);
  EXPECT_TRUE(std::filesystem::is_directory(Local("C:\\Program Files\\Demo")));
}

TEST_F(SetupRunTest, ThreadRunsOnRequestAndClearsRunning) {
  Label();
  std::vector<std::string> errors;
  TSetupThread thread(context, [&](const std::string& m, const std::string&) { errors.push_back(m); });
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(std::filesystem::exists(Local("C:\\Program Files\\Demo")));  // idle until asked
  context.Run.CurrentLine = -1;
  thread.Running = true;
  ASSERT_TRUE(WaitFor([&] { return !thread.Running; }));
  EXPECT_TRUE(std::filesystem::is_directory(Local("C:\\Program Files\\Demo")));
  EXPECT_EQ(context.Run.CurrentLine, 1);  // one past the only line
  EXPECT_TRUE(errors.empty());
}

TEST_F(SetupRunTest, ErrorInACommandReachesTheHandlerAndEndsTheThread) {
  for (const bool setupError : {true, false}) {
    SCOPED_TRACE(setupError);
    SetupContext fresh;
    fresh.Commands.Add(std::make_unique<TRaiseCommand>(setupError));
    fresh.SetupInfo.InstallDir = "C:\\Program Files\\Demo\\";
    TCompLine line;
    line.CommandId = 1;
    line.LineIndex = 0;
    fresh.CompiledLines.Add(line);

    std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> errors;
    TSetupThread thread(fresh, [&](const std::string& message, const std::string& type) {
      std::lock_guard<std::mutex> lock(mutex);
      errors.emplace_back(message, type);
    });
    thread.Running = true;
    ASSERT_TRUE(WaitFor([&] {
      std::lock_guard<std::mutex> lock(mutex);
      return !errors.empty() && !thread.Running;
    }));
    EXPECT_EQ(errors[0].first, setupError ? "'x' is not a valid integer value" : "");
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

TEST_F(SetupRunTest, DestructorStopsAnIdleThreadPromptly) {
  const auto start = Clock::now();
  {
    TSetupThread thread(context, [](const std::string&, const std::string&) {});
  }
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
}  // namespace setup::test
