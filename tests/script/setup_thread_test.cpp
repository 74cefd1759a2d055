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

// Raises when it runs: "raise" a SetupError, "throw" something that is no std::exception.
class TRaiseCommand final : public TCommandClass {
 public:
  explicit TRaiseCommand(bool setupError)
      : TCommandClass(setupError ? "raise" : "throw", false), setupError_(setupError) {}
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

TEST_F(SetupRunTest, ScriptWithoutCommandsStillCreatesTheFolderAndSavesTheLog) {
  // No lines at all, or comments only; without and with an uninstaller.
  for (const int lines : {0, 2}) {
    for (const uint8_t createUninstaller : {uint8_t{0}, uint8_t{1}}) {
      SCOPED_TRACE(std::to_string(lines) + " lines, uninstaller " + std::to_string(createUninstaller));
      std::filesystem::remove_all(Local("C:\\Program Files"));
      context.UninstallList.Clear();
      context.CompiledLines.Clear();
      context.SetupInfo.CreateUninstaller = createUninstaller;
      context.SetupInfo.UninstallPrefix = "Demo_";
      for (int i = 0; i < lines; ++i) Label();
      Run();
      EXPECT_EQ(context.Run.CurrentLine, lines == 0 ? -1 : lines);
      EXPECT_TRUE(std::filesystem::is_directory(Local("C:\\Program Files\\Demo")));
      const std::vector<std::string> folders = {"C:\\Program Files\\", "C:\\Program Files\\Demo\\"};
      EXPECT_EQ(context.UninstallList.Folders(), folders);
      TUninstallList saved;
      const bool saves = createUninstaller == 1;
      EXPECT_EQ(saved.Load(context.SetupInfo.InstallDir, "Demo_"),
                saves ? LoadResult::Loaded : LoadResult::NotFound);
      EXPECT_EQ(saved.Folders(), saves ? folders : std::vector<std::string>{});
    }
  }
}

// Catches: a thread that runs before it is asked, leaves Running set, or whose
// destructor waits for a poll or a timeout.
TEST_F(SetupRunTest, ThreadRunsOnRequestClearsRunningAndStopsPromptly) {
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

TEST_F(SetupRunTest, ErrorInACommandReachesTheHandlerAndEndsTheThread) {
  for (const bool setupError : {true, false}) {
    SCOPED_TRACE(setupError);
    context.Commands.Add(std::make_unique<TRaiseCommand>(setupError));
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

}  // namespace
}  // namespace setup::test
