// The system's message box. (The replaceable handler is common code, exercised by
// every native test that records a box.) A watchdog thread finds the box by its
// caption, records what it shows and presses the chosen button.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>

#include "platform/dialogs.h"
#include "platform/win32/unique_handle.h"

namespace setup::platform {
namespace {

struct SeenBox {
  std::wstring text;
  std::set<int> buttons;  // the visible ones
  bool owned = false;
  int count = 0;
};

// Catches: the wrong button set for a request, an owner window, the text garbled, the
// answer not passed back.
TEST(Win32Dialogs, SystemBoxShowsTheRequestedButtonsAndReturnsTheAnswer) {
  win32::UniqueWindow probe(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                            GetModuleHandleW(nullptr), nullptr));
  if (!probe) GTEST_SKIP() << "no display for windows";
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
    SCOPED_TRACE(static_cast<int>(c.buttons));
    SeenBox seen;
    std::atomic<bool> stop{false};
    std::thread watchdog([&] {
      HWND answered = nullptr;
      while (!stop) {
        HWND box = FindWindowW(L"#32770", L"Setup Error");
        if (box != nullptr && box != answered && IsWindowVisible(box)) {
          answered = box;
          wchar_t text[256] = {};
          GetDlgItemTextW(box, 0xFFFF, text, 256);
          seen.text = text;
          seen.owned = GetWindow(box, GW_OWNER) != nullptr;
          ++seen.count;
          for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
            HWND button = GetDlgItem(box, id);
            if (button != nullptr && IsWindowVisible(button)) seen.buttons.insert(id);
          }
          PostMessageW(GetDlgItem(box, c.press), BM_CLICK, 0, 0);
        }
        Sleep(10);
      }
    });
    const int answer = SystemMessageBox({u"Line one\rLine two", u"Setup Error", c.buttons});
    stop = true;
    watchdog.join();
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.text, L"Line one\rLine two");
    EXPECT_EQ(seen.buttons, c.expectedButtons);
    EXPECT_FALSE(seen.owned);
    EXPECT_EQ(answer, c.press);
  }
}

}  // namespace
}  // namespace setup::platform
