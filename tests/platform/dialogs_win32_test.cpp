// Message boxes: the replaceable handler, and the system's box itself. A watchdog
// thread answers any box of this process, so that a box nobody expected fails the
// test instead of waiting for a user.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "platform/dialogs.h"
#include "platform/win32/unique_handle.h"

namespace setup::platform {
namespace {

struct SeenBox {
  std::wstring caption;
  std::wstring text;
  std::set<int> buttons;  // the visible ones
  bool owned = false;
};

// Finds message boxes of this process, records them and presses the button with the
// chosen id (or closes the box when it has no such button).
class BoxWatchdog {
 public:
  explicit BoxWatchdog(int pressId) : pressId_(pressId), thread_([this] { Watch(); }) {}
  ~BoxWatchdog() {
    stop_ = true;
    thread_.join();
  }
  BoxWatchdog(const BoxWatchdog&) = delete;
  BoxWatchdog& operator=(const BoxWatchdog&) = delete;

  std::vector<SeenBox> Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  void Watch() {
    std::set<HWND> answered;
    while (!stop_) {
      HWND box = FindBox();
      if (box != nullptr && answered.insert(box).second) Answer(box);
      Sleep(10);
    }
  }

  static BOOL CALLBACK MatchBox(HWND window, LPARAM data) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (owner == GetCurrentProcessId() && IsWindowVisible(window) &&
        std::wstring(className) == L"#32770") {
      *reinterpret_cast<HWND*>(data) = window;
      return FALSE;
    }
    return TRUE;
  }

  static HWND FindBox() {
    HWND found = nullptr;
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&found));
    return found;
  }

  static std::wstring Text(HWND window) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
  }

  void Answer(HWND box) {
    SeenBox seen{Text(box), Text(GetDlgItem(box, 0xFFFF)), {}, GetWindow(box, GW_OWNER) != nullptr};
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
      HWND button = GetDlgItem(box, id);
      if (button != nullptr && IsWindowVisible(button)) seen.buttons.insert(id);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen_.push_back(seen);
    }
    if (HWND button = GetDlgItem(box, pressId_)) {
      PostMessageW(button, BM_CLICK, 0, 0);
    } else {
      PostMessageW(box, WM_CLOSE, 0, 0);
    }
  }

  int pressId_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<SeenBox> seen_;
  std::thread thread_;
};

// Catches: a handler bypassed (a real box would appear), the request garbled on the
// way, the handler's answer not returned, the previous handler not handed back.
TEST(Win32Dialogs, InstalledHandlerReplacesTheBox) {
  BoxWatchdog watchdog(IDOK);
  std::vector<MessageRequest> requests;
  MessageHandler previous = SetMessageHandler([&requests](const MessageRequest& r) {
    requests.push_back(r);
    return static_cast<int>(kAnswerNo);
  });
  const int answer = ShowMessage(std::string("Error: Verification Failed. Setup is corrupt.\rID: 2"),
                                 std::string("Verification Error"), MessageButtons::YesNo);
  const int wideAnswer = ShowMessage(u"\u00C4nderung", u"Setup Error");
  MessageHandler ours = SetMessageHandler(std::move(previous));

  EXPECT_EQ(answer, kAnswerNo);
  EXPECT_EQ(wideAnswer, kAnswerNo);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].text, u"Error: Verification Failed. Setup is corrupt.\rID: 2");
  EXPECT_EQ(requests[0].caption, u"Verification Error");
  EXPECT_EQ(requests[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(requests[1].text, u"\u00C4nderung");
  EXPECT_EQ(requests[1].buttons, MessageButtons::Ok);
  EXPECT_TRUE(static_cast<bool>(ours));
  EXPECT_TRUE(watchdog.Seen().empty()) << "a real message box appeared";
}

bool CanCreateWindows() {
  win32::UniqueWindow probe(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                                            nullptr, GetModuleHandleW(nullptr), nullptr));
  return static_cast<bool>(probe);
}

// Catches: the wrong button set for a request, an owner window, the answer not
// passed back.
TEST(Win32Dialogs, SystemBoxShowsTheRequestedButtonsAndReturnsTheAnswer) {
  if (!CanCreateWindows()) GTEST_SKIP() << "no display for windows";
  const struct {
    MessageButtons buttons;
    std::set<int> expectedButtons;
    int press;
  } cases[] = {
      {MessageButtons::Ok, {IDOK}, IDOK},
      {MessageButtons::OkCancel, {IDOK, IDCANCEL}, IDCANCEL},
      {MessageButtons::YesNo, {IDYES, IDNO}, IDNO},
      {MessageButtons::YesNoCancel, {IDYES, IDNO, IDCANCEL}, IDYES},
  };
  for (const auto& c : cases) {
    BoxWatchdog watchdog(c.press);
    const int answer = SystemMessageBox({u"Line one\rLine two", u"Setup Error", c.buttons});
    const std::vector<SeenBox> seen = watchdog.Seen();
    ASSERT_EQ(seen.size(), 1u) << static_cast<int>(c.buttons);
    EXPECT_EQ(seen[0].caption, L"Setup Error");
    EXPECT_EQ(seen[0].text, L"Line one\rLine two");
    EXPECT_EQ(seen[0].buttons, c.expectedButtons) << static_cast<int>(c.buttons);
    EXPECT_FALSE(seen[0].owned);
    EXPECT_EQ(answer, c.press);
  }
}

}  // namespace
}  // namespace setup::platform
