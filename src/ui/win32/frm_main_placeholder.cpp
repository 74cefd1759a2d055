#include "ui/win32/frm_main_placeholder.h"

#include <commctrl.h>

#include <stdexcept>
#include <string>

#include "platform/win32/wide_text.h"
#include "script/install_run.h"
#include "setup/error_report.h"
#include "setup/startup_sequence.h"

namespace setup::ui {

namespace {

constexpr int kClientWidth = 480;
constexpr int kClientHeight = 156;
constexpr int kMargin = 12;
constexpr int kLineHeight = 22;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  if (GetClassInfoExW(instance, kMainFormClass, &windowClass)) return;
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kMainFormClass;
  RegisterClassExW(&windowClass);
}

}  // namespace

TFrmMainPlaceholder::TFrmMainPlaceholder(SetupContext& context) : context_(context) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterWindowClass(instance, WindowProc);
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  window_.reset(CreateWindowExW(0, kMainFormClass, L"", kStyle, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                                instance, this));
  if (!window_) throw std::runtime_error("The main window could not be created.");
  // An error inside the run ends the process through the error report.
  thread_ = std::make_unique<TSetupThread>(
      context_, [](const std::string& message, const std::string& type) { WriteErrorReport(message, type); });
}

TFrmMainPlaceholder::~TFrmMainPlaceholder() {
  context_.Run.ShuttingDown = true;
  thread_.reset();
  // Destroying the window (below, with window_) must not reach back into this object.
  if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK TFrmMainPlaceholder::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<TFrmMainPlaceholder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (message == WM_CLOSE && form != nullptr && form->working_) {
    return 0;  // the run is working: the window stays
  } else if (message == WM_DESTROY) {
    PostQuitMessage(0);
  } else if (message == WM_NCDESTROY && form != nullptr) {
    // Closed by the user: the owner must not destroy it again.
    form->window_.release();
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND TFrmMainPlaceholder::AddControl(const wchar_t* className, int index, const std::wstring& text,
                                     DWORD style) {
  HWND control = CreateWindowExW(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, kMargin,
                                 kMargin + index * kLineHeight, kClientWidth - 2 * kMargin, kLineHeight - 4,
                                 window_.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (control != nullptr) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  }
  return control;
}

void TFrmMainPlaceholder::SetPagesUp() {
  using platform::win32::AnsiToWideString;
  const TSetupInfoFile& info = context_.SetupInfo;
  SetWindowTextW(window_.get(), AnsiToWideString(info.ShortName).c_str());
  const bool uninstall = ModeOf(info) == RunMode::Uninstall;
  const TLanguage* language = context_.Languages.CurrentLanguage();
  constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
  AddControl(L"STATIC", 0, uninstall ? L"Mode: uninstall" : L"Mode: install", kLabel);
  AddControl(L"STATIC", 1, L"Language: " + (language ? platform::win32::ToWide(language->Name()) : std::wstring()),
             kLabel);
  AddControl(L"STATIC", 2, L"Folder: " + AnsiToWideString(info.InstallDir), kLabel);
  if (uninstall) return;
  statusLabel_ = AddControl(L"STATIC", 3, L"", kLabel);
  progressBar_ = AddControl(PROGRESS_CLASSW, 4, L"", 0);
  finishLabel_ = AddControl(L"STATIC", 5, L"", kLabel);
  context_.HandOff.RegisterControls(statusLabel_ != nullptr, progressBar_ != nullptr, finishLabel_ != nullptr);
}

void TFrmMainPlaceholder::ShowPending() {
  const THandOffPending pending = context_.HandOff.TakePending();
  if (pending.StatusText && statusLabel_) {
    SetWindowTextW(statusLabel_, platform::win32::AnsiToWideString(*pending.StatusText).c_str());
    UpdateWindow(statusLabel_);
  }
  if (pending.ProgressValue && progressBar_) {
    SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(*pending.ProgressValue), 0);
    UpdateWindow(progressBar_);
  }
  if (pending.FinishText && finishLabel_) {
    SetWindowTextW(finishLabel_, platform::win32::ToWide(*pending.FinishText).c_str());
    if (pending.RepaintFinishText) UpdateWindow(finishLabel_);
  }
}

void TFrmMainPlaceholder::RunInstall() {
  working_ = true;
  const InstallRunStart start = PrepareInstallRun(context_);
  if (statusLabel_) SetWindowTextW(statusLabel_, platform::win32::AnsiToWideString(start.StatusText).c_str());
  if (progressBar_) {
    SendMessageW(progressBar_, PBM_SETRANGE32, 0, start.FileCount);
    SendMessageW(progressBar_, PBM_SETPOS, 0, 0);
  }
  thread_->Running = true;
  // Keep the window alive while the worker runs: process messages and show what the
  // worker handed over, every millisecond.
  while (thread_->Running) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        break;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    ShowPending();
    Sleep(1);
  }
  ShowPending();
  working_ = false;
  if (finishLabel_ && GetWindowTextLengthW(finishLabel_) == 0) SetWindowTextW(finishLabel_, L"Finished.");
}

void TFrmMainPlaceholder::Run() {
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  UpdateWindow(window_.get());
  if (ModeOf(context_.SetupInfo) == RunMode::Install) RunInstall();
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace setup::ui
