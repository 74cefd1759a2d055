#include "ui/win32/frm_main_placeholder.h"

#include <stdexcept>
#include <string>

#include "platform/win32/wide_text.h"
#include "setup/startup_sequence.h"

namespace setup::ui {

namespace {

constexpr int kClientWidth = 420;
constexpr int kClientHeight = 96;
constexpr int kMargin = 12;
constexpr int kLineHeight = 20;
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

TFrmMainPlaceholder::TFrmMainPlaceholder(const SetupContext& context) : context_(context) {
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
}

TFrmMainPlaceholder::~TFrmMainPlaceholder() {
  // Destroying the window (below, with window_) must not reach back into this object.
  if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK TFrmMainPlaceholder::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (message == WM_DESTROY) {
    PostQuitMessage(0);
  } else if (message == WM_NCDESTROY) {
    // Closed by the user: the owner must not destroy it again.
    if (auto* form = reinterpret_cast<TFrmMainPlaceholder*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
      form->window_.release();
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void TFrmMainPlaceholder::AddLine(int index, const std::wstring& text) {
  HWND label = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                               kMargin, kMargin + index * kLineHeight, kClientWidth - 2 * kMargin,
                               kLineHeight, window_.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (label == nullptr) return;
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

void TFrmMainPlaceholder::SetPagesUp() {
  using platform::win32::AnsiToWideString;
  const TSetupInfoFile& info = context_.SetupInfo;
  SetWindowTextW(window_.get(), AnsiToWideString(info.ShortName).c_str());
  const bool uninstall = ModeOf(info) == RunMode::Uninstall;
  const TLanguage* language = context_.Languages.CurrentLanguage();
  AddLine(0, uninstall ? L"Mode: uninstall" : L"Mode: install");
  AddLine(1, L"Language: " + (language ? platform::win32::ToWide(language->Name()) : std::wstring()));
  AddLine(2, L"Folder: " + AnsiToWideString(info.InstallDir));
}

void TFrmMainPlaceholder::Run() {
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  UpdateWindow(window_.get());
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace setup::ui
