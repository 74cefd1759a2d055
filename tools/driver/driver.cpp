// setup_driver: starts a Windows program and watches it as a user would, reporting
// what appears on the screen and answering message boxes, so that a test script can
// check the setup stub under Wine.
//
// Usage:
//   setup_driver run [--timeout-ms N] [--screenshot-pause] [--timestamps] [--close-window TITLE]
//                    [--steps FILE] -- PROGRAM [ARGS...]
//   setup_driver hold FILE MS
//
//   hold: opens FILE without sharing it, as a program that uses it does, prints
//   HOLDING, keeps it open for MS milliseconds and ends (exit 0; 2 when it cannot be
//   opened).
//
//   Starts PROGRAM with ARGS and polls its top-level windows until it ends.
//   --timeout-ms N      give up after N milliseconds (default 60000), the time spent
//                       in a screenshot pause included
//   --screenshot-pause  once the verification window shows progress (its status line
//                       reads "Status: N out of M ..." with N >= 1 and has stayed the
//                       same for 40 ms, so that the repaint after it is done),
//                       suspend the program's main thread, print VERIFY_WINDOW and
//                       wait for one line (or end of input) on stdin before resuming
//                       it; a test takes its screenshot in between
//   --steps FILE        drive the wizard with the steps in FILE (see wizard_steps.h);
//                       message boxes are answered as the steps say
//   --timestamps        start every output line with "@MS ", the milliseconds since
//                       the program was started (for timing start-up and exit)
//   --close-window TITLE  close the program's top-level window with this title (as a
//                       user would with its close button) when it appears, and again
//                       every half second while it stays (it may refuse while working)
//
// Output, one line per event on stdout, UTF-8, "\n"-terminated, unbuffered.
// Carriage return and line feed inside a text are written as the two characters
// "\r" and "\n"; nothing else is escaped.
//   LAYOUT client=WxH@X,Y Label1=x,y,wxh StatusLabel=x,y,wxh ProgressBar1=x,y,wxh
//       the verification window's client size and screen origin and its controls'
//       rectangles in client coordinates; printed when first seen and on each change
//   STATUS <text>            the verification window's status line changed
//   VERIFY_WINDOW <text>     the program is suspended (--screenshot-pause)
//   WINDOW <title>           another top-level window of the program appeared (once
//                            per window); followed by one line per child window:
//   WINDOW_TEXT <text>       the text of a child window that has one, in the order
//                            the system enumerates them
//   TEXT <text>              a child window's text changed (or a new child appeared)
//   MESSAGEBOX caption=<caption> text=<text>
//                            a message box of the program appeared; the driver then
//                            presses its OK button (or closes it when it has none)
//   ALERT class=<class> role=<n> name=<text> value=<text>
//                            the program asked screen readers to read this window
//                            now (as the wizard does with a page's title)
//   EXIT <code>              the program ended with this exit code: decimal, or eight
//                            hexadecimal digits for an exception code (c0000005)
//   TIMEOUT                  the time ran out; the program is terminated
//
// Exit code: 0 when the program ended, 3 on timeout, 2 on a usage error or when the
// program could not be started.
//
// Texts are read with GetWindowTextW, which for another process's window returns the
// text the system keeps for it without sending a message: the stub does not process
// messages while it verifies, and a sent message would wait for it.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "driver_io.h"
#include "read_out.h"
#include "ui/win32/frm_verify.h"
#include "wizard_steps.h"

namespace {

using driver::ClassName;
using driver::Complain;
using driver::Escape;
using driver::Report;
using driver::StampReportsFrom;
using driver::WindowText;
using driver::TopLevelWindowsOf;
using setup::platform::win32::UniqueKernelHandle;

constexpr int kExitEnded = 0;
constexpr int kExitUsage = 2;
constexpr int kExitTimeout = 3;
constexpr DWORD kPollMs = 5;
// A pressed box still on the screen after this long is pressed again.
constexpr DWORD kRepressMs = 1000;
constexpr ULONGLONG kRecloseMs = 500;
// The stub sets the status text, then the bar, then repaints: a status that has not
// changed for this long has been painted.
constexpr ULONGLONG kSteadyStatusMs = 40;
constexpr int kMessageTextId = 0xFFFF;

// Quotes one argument so that the program's command-line parser gives it back as is.
std::wstring QuoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled and the quote escaped; others stay.
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  out += L'"';
  return out;
}

// "x,y,wxh" of a control in its parent's client coordinates.
std::wstring ControlRect(HWND parent, int id) {
  HWND control = GetDlgItem(parent, id);
  if (control == nullptr) return L"missing";
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"," +
         std::to_wstring(rect.right - rect.left) + L"x" + std::to_wstring(rect.bottom - rect.top);
}

std::wstring Layout(HWND verify) {
  RECT client{};
  GetClientRect(verify, &client);
  POINT origin{0, 0};
  ClientToScreen(verify, &origin);
  return L"LAYOUT client=" + std::to_wstring(client.right) + L"x" + std::to_wstring(client.bottom) +
         L"@" + std::to_wstring(origin.x) + L"," + std::to_wstring(origin.y) +
         L" Label1=" + ControlRect(verify, setup::ui::kLabel1Id) +
         L" StatusLabel=" + ControlRect(verify, setup::ui::kStatusLabelId) +
         L" ProgressBar1=" + ControlRect(verify, setup::ui::kProgressBar1Id);
}

// N of a status line "Status: N out of M files verifyed", when it is one.
std::optional<unsigned long> VerifiedCount(const std::wstring& status) {
  const std::wstring prefix = L"Status: ";
  if (status.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  wchar_t* end = nullptr;
  const unsigned long count = std::wcstoul(status.c_str() + prefix.size(), &end, 10);
  if (end == status.c_str() + prefix.size()) return std::nullopt;
  return count;
}

class Deadline {
 public:
  explicit Deadline(DWORD milliseconds) : start_(GetTickCount64()), limit_(milliseconds) {}
  bool Passed() const { return GetTickCount64() - start_ >= limit_; }
  DWORD Remaining() const {
    const ULONGLONG elapsed = GetTickCount64() - start_;
    return elapsed >= limit_ ? 0 : static_cast<DWORD>(limit_ - elapsed);
  }

 private:
  ULONGLONG start_;
  ULONGLONG limit_;
};

// Waits for one line (or the end) of stdin; false when the time ran out first.
bool WaitForInputLine(DWORD milliseconds) {
  UniqueKernelHandle lineRead(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE event = lineRead.get();
  // The reader may stay blocked after a timeout; the process ends soon after.
  std::thread([event] {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char c = 0;
    DWORD read = 0;
    while (ReadFile(input, &c, 1, &read, nullptr) && read == 1 && c != '\n') {
    }
    SetEvent(event);
  }).detach();
  const bool answered = WaitForSingleObject(event, milliseconds) == WAIT_OBJECT_0;
  if (!answered) lineRead.release();  // the reader still holds it
  return answered;
}

BOOL CALLBACK CollectChildWindow(HWND window, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

struct RunOptions {
  DWORD timeoutMs = 60000;
  bool screenshotPause = false;
  bool timestamps = false;
  std::optional<std::wstring> closeTitle;
  std::vector<std::wstring> command;
  driver::WizardSteps steps;
};

class Watcher {
 public:
  Watcher(RunOptions& options, const PROCESS_INFORMATION& process) : options_(options), process_(process) {}

  // Looks at the program's windows once; false when a pause ran out of time.
  bool Poll(const Deadline& deadline) {
    for (HWND window : TopLevelWindowsOf(process_.dwProcessId)) {
      const std::wstring className = ClassName(window);
      if (className == L"#32770") {
        AnswerMessageBox(window);
      } else if (className == setup::ui::kVerifyWindowClass &&
                 WindowText(window) == setup::ui::kVerifyCaption) {
        if (!WatchVerifyWindow(window, deadline)) return false;
      } else {
        WatchOtherWindow(window);
      }
    }
    return true;
  }

 private:
  void AnswerMessageBox(HWND box) {
    const ULONGLONG now = GetTickCount64();
    // A new box may get the handle of one just closed: the text tells them apart.
    const std::wstring line = L"MESSAGEBOX caption=" + Escape(WindowText(box)) +
                              L" text=" + Escape(WindowText(GetDlgItem(box, kMessageTextId)));
    auto pressed = pressedBoxes_.find(box);
    if (pressed == pressedBoxes_.end() || pressed->second.line != line) {
      Report(line);
    } else if (now - pressed->second.at < kRepressMs) {
      return;
    }
    if (options_.steps.HoldingBoxes()) {
      // Reported once; pressed once the steps let go of it.
      pressedBoxes_[box] = PressedBox{line, 0};
      return;
    }
    pressedBoxes_[box] = PressedBox{line, now};
    // A step may have chosen the answer; a box without that button is closed.
    const int answer = options_.steps.TakeBoxAnswer().value_or(IDOK);
    if (HWND button = GetDlgItem(box, answer)) {
      PostMessageW(button, BM_CLICK, 0, 0);
    } else {
      PostMessageW(box, WM_CLOSE, 0, 0);
    }
  }

  void WatchOtherWindow(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChildWindow, reinterpret_cast<LPARAM>(&children));
    const bool firstSeen = seenWindows_.insert(window).second;
    const std::wstring title = WindowText(window);
    if (firstSeen) Report(L"WINDOW " + Escape(title));
    for (HWND child : children) {
      const std::wstring text = WindowText(child);
      auto known = childTexts_.find(child);
      if (known == childTexts_.end()) {
        childTexts_.emplace(child, text);
        if (!text.empty()) Report((firstSeen ? L"WINDOW_TEXT " : L"TEXT ") + Escape(text));
      } else if (known->second != text) {
        known->second = text;
        Report(L"TEXT " + Escape(text));
      }
    }
    // A window may refuse to close while it works: ask again now and then until it goes.
    const ULONGLONG now = GetTickCount64();
    if (options_.closeTitle && title == *options_.closeTitle && now - lastCloseAt_[window] >= kRecloseMs) {
      lastCloseAt_[window] = now;
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
  }

  bool WatchVerifyWindow(HWND verify, const Deadline& deadline) {
    ReportChanges(verify);
    const auto done = VerifiedCount(status_);
    if (!options_.screenshotPause || paused_ || !done || *done < 1 ||
        GetTickCount64() - statusSince_ < kSteadyStatusMs) {
      return true;
    }

    paused_ = true;
    SuspendThread(process_.hThread);
    // Reading the context waits until the thread has really stopped.
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(process_.hThread, &context);
    // Give the display a moment to show what the program painted last.
    Sleep(150);
    ReportChanges(verify);
    Report(L"VERIFY_WINDOW " + Escape(status_));
    const bool answered = WaitForInputLine(deadline.Remaining());
    ResumeThread(process_.hThread);
    return answered;
  }

  void ReportChanges(HWND verify) {
    const std::wstring layout = Layout(verify);
    if (layout != layout_) Report(layout);
    layout_ = layout;
    HWND statusLabel = GetDlgItem(verify, setup::ui::kStatusLabelId);
    if (statusLabel == nullptr) return;  // the window is going away
    const std::wstring status = WindowText(statusLabel);
    if (status != status_) {
      Report(L"STATUS " + Escape(status));
      status_ = status;
      statusSince_ = GetTickCount64();
    }
  }

  RunOptions& options_;
  const PROCESS_INFORMATION& process_;
  struct PressedBox {
    std::wstring line;
    ULONGLONG at;
  };
  std::map<HWND, PressedBox> pressedBoxes_;
  std::set<HWND> seenWindows_;
  std::map<HWND, std::wstring> childTexts_;
  std::map<HWND, ULONGLONG> lastCloseAt_;
  std::wstring layout_;
  std::wstring status_;
  ULONGLONG statusSince_ = 0;
  bool paused_ = false;
};

void CALLBACK ReportAlert(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
  if (window != nullptr && object == OBJID_CLIENT) Report(L"ALERT class=" + ClassName(window) + L" " + driver::ReadOut(window));
}

int Run(RunOptions& options) {
  std::wstring commandLine;
  for (const std::wstring& argument : options.command) {
    if (!commandLine.empty()) commandLine += L' ';
    commandLine += QuoteArgument(argument);
  }
  // A crash of the program ends it at once instead of opening a crash dialog.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  if (options.timestamps) {
    LARGE_INTEGER origin{};
    QueryPerformanceCounter(&origin);
    StampReportsFrom(origin);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    Complain(L"cannot start " + commandLine + L" (error " + std::to_wstring(GetLastError()) + L")");
    return kExitUsage;
  }
  UniqueKernelHandle processHandle(process.hProcess);
  UniqueKernelHandle threadHandle(process.hThread);

  const Deadline deadline(options.timeoutMs);
  Watcher watcher(options, process);
  // What the program announces to screen readers arrives as messages of this thread.
  const HWINEVENTHOOK alerts = SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr, ReportAlert,
                                               process.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
  for (;;) {
    if (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, kPollMs, QS_ALLINPUT) == WAIT_OBJECT_0) {
      if (alerts != nullptr) UnhookWinEvent(alerts);
      DWORD code = 0;
      GetExitCodeProcess(process.hProcess, &code);
      wchar_t text[16];
      // Exception codes read better in hexadecimal, like the system shows them.
      std::swprintf(text, std::size(text), code > 0xFFFF ? L"%08lx" : L"%lu",
                    static_cast<unsigned long>(code));
      Report(std::wstring(L"EXIT ") + text);
      return kExitEnded;
    }
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
    const bool watching = watcher.Poll(deadline);
    options.steps.Advance(process.dwProcessId);
    if (!watching || deadline.Passed()) {
      Report(L"TIMEOUT");
      if (alerts != nullptr) UnhookWinEvent(alerts);
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 5000);
      return kExitTimeout;
    }
  }
}

int Usage() {
  Complain(
      L"usage: setup_driver run [--timeout-ms N] [--screenshot-pause] [--timestamps] [--close-window TITLE] [--steps FILE] "
      L"-- PROGRAM [ARGS...]\n       setup_driver hold FILE MS");
  return kExitUsage;
}

}  // namespace

// Keeps a file open without sharing for a while (another program that uses it).
int Hold(const wchar_t* path, DWORD milliseconds) {
  const HANDLE file = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kExitUsage;
  std::fputs("HOLDING\n", stdout);
  std::fflush(stdout);
  Sleep(milliseconds);
  CloseHandle(file);
  return kExitEnded;
}

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wstring(argv[1]) == L"hold") {
    return Hold(argv[2], static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
  }
  if (argc < 2 || std::wstring(argv[1]) != L"run") return Usage();
  RunOptions options;
  int i = 2;
  for (; i < argc; ++i) {
    const std::wstring option = argv[i];
    if (option == L"--") {
      ++i;
      break;
    }
    if (option == L"--screenshot-pause") {
      options.screenshotPause = true;
    } else if (option == L"--timestamps") {
      options.timestamps = true;
    } else if (option == L"--steps" && i + 1 < argc) {
      if (!options.steps.Load(argv[++i])) return kExitUsage;
    } else if (option == L"--close-window" && i + 1 < argc) {
      options.closeTitle = argv[++i];
    } else if (option == L"--timeout-ms" && i + 1 < argc) {
      wchar_t* end = nullptr;
      options.timeoutMs = static_cast<DWORD>(std::wcstoul(argv[++i], &end, 10));
      if (*end != L'\0' || options.timeoutMs == 0) return Usage();
    } else {
      return Usage();
    }
  }
  for (; i < argc; ++i) options.command.emplace_back(argv[i]);
  if (options.command.empty()) return Usage();
  return Run(options);
}
