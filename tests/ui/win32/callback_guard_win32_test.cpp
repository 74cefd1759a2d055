// Exceptions raised inside our window procedures, under Wine: a paint that fails reaches
// the error report instead of ending the process without one, and a failure behind
// SetWindowTextW or RedrawWindow comes back to a caller that carries it. Without a
// display the tests are skipped with the reason.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "ui/win32/callback_guard.h"
#include "ui/win32/grad_gauge.h"
#include "ui/win32/window_class.h"

namespace setup::ui {
namespace {

struct TestFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

constexpr const wchar_t* kFailingTextClass = L"CallbackGuardTestWindow";

// A test class registered through the same helper as ours: setting its text fails.
LRESULT CALLBACK FailingTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETTEXT) throw TestFailure("the text could not be shown");
  return DefWindowProcW(window, message, wParam, lParam);
}

// An exception that escapes into the system's frames ends the process at once instead
// of starting a debugger that waits for the test's time-out.
LONG WINAPI EndAtOnce(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }

class CallbackGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUnhandledExceptionFilter(EndAtOnce);
    host_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    if (host_ == nullptr) GTEST_SKIP() << "no window can be created (no display: run under Xvfb)";
  }
  void TearDown() override {
    if (host_ != nullptr) DestroyWindow(host_);
  }

  // A shown gauge whose paint fails.
  std::unique_ptr<TGradGauge> FailingGauge() const {
    auto gauge = std::make_unique<TGradGauge>(host_, 10, 10, 200, 30);
    gauge->SetBackgroundPainter([](HDC, const RECT&) { throw TestFailure("the gauge could not paint"); });
    ShowWindow(gauge->Window(), SW_SHOWNA);
    return gauge;
  }

  // The death test's child: the report's box goes to stderr; no log can be written in
  // the temporary folder set here, so none is opened in an editor either.
  void PaintFailingGauge() const {
    SetEnvironmentVariableW(L"TMP", L"C:\\no-such-folder\\for-error-logs");
    SetEnvironmentVariableW(L"TEMP", L"C:\\no-such-folder\\for-error-logs");
    platform::SetMessageHandler([](const platform::MessageRequest& box) {
      std::fprintf(stderr, "%s: %s\n", platform::WideToAnsi(box.caption).c_str(),
                   platform::WideToAnsi(box.text).c_str());
      std::fflush(stderr);
      return static_cast<int>(platform::kAnswerOk);
    });
    const auto gauge = FailingGauge();
    RedrawWindow(gauge->Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }

  HWND host_ = nullptr;
};

// Catches a paint failure that leaves the gauge's window procedure: the 32-bit build
// ends in std::terminate (exit code 3, no report), the 64-bit build unwinds out of
// RedrawWindow (the child "threw"). Guarded, the report announces the error and ends
// the process with exit code 5, the internal error's.
TEST_F(CallbackGuardTest, PaintFailureReachesTheErrorReport) {
  EXPECT_EXIT(PaintFailingGauge(), ::testing::ExitedWithCode(5),
              "Error Report: Unknown Error: the gauge could not paint");
}

// Catches a failure behind SetWindowTextW or RedrawWindow that unwinds through the
// system's frames (the code after the call never runs; the 32-bit build would end in
// std::terminate), one the carrier loses or reports, and a carrier left installed.
TEST_F(CallbackGuardTest, FailuresBehindSystemCallsComeBackToTheCarryingCaller) {
  RegisterWindowClassOnce(GetModuleHandleW(nullptr), {kFailingTextClass, FailingTextProc});
  const HWND text = CreateWindowExW(0, kFailingTextClass, L"", WS_CHILD | WS_VISIBLE, 0, 50, 50, 20, host_,
                                    nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(text, nullptr);
  const auto gauge = FailingGauge();
  const struct {
    const char* call;
    std::function<void()> run;
    const char* failure;
  } cases[] = {
      {"SetWindowTextW", [&] { SetWindowTextW(text, L"status"); }, "the text could not be shown"},
      {"RedrawWindow",
       [&] { RedrawWindow(gauge->Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); },
       "the gauge could not paint"},
  };
  for (const auto& c : cases) {
    bool returned = false;
    std::string carried;
    try {
      CarryCallbackErrors([&] {
        c.run();
        returned = true;
      });
    } catch (const TestFailure& e) {
      carried = e.what();
    }
    EXPECT_TRUE(returned) << c.call << ": the exception crossed the system's frames";
    EXPECT_EQ(carried, c.failure) << c.call;
    EXPECT_EQ(CallbackErrorCarrier::Current(), nullptr) << c.call;
  }
  DestroyWindow(text);
}

}  // namespace
}  // namespace setup::ui
