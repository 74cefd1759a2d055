#include "ui/win32/frm_debug.h"

#include <richedit.h>

#include <stdexcept>

#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "script/registry_roots.h"
#include "script/setup_context.h"
#include "ui/win32/frm_main.h"
#include "ui/win32/page_font.h"
#include "ui/win32/window_dpi.h"
#include "ui/win32/window_class.h"

namespace setup::ui {

namespace {

constexpr int kWidth = 870;
constexpr int kHeight = 600;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;

}  // namespace

std::vector<std::string> DebugDumpLines(const SetupContext& context) {
  const TPak& package = context.Package;
  const TPakTrailer& trailer = package.Trailer();
  std::vector<std::string> lines = {
      "Header",
      "ID: " + trailer.MagicText(),
      "Version: " + std::to_string(trailer.Version),
      "File Count: " + std::to_string(trailer.Count),
      "",
      "Files:",
  };
  for (const TPakEntry& entry : package.Entries()) {
    lines.push_back("\"" + entry.Name + "\" Group: " + std::to_string(entry.Group));
  }
  const TSetupInfoFile& info = context.SetupInfo;
  lines.insert(lines.end(), {"", "SetupInfo:", "SetupName: " + info.SetupName, "SetupExeName: " + info.SetupExeName,
                             "InstallDir: " + info.InstallDir});
  for (const TInstallDirRegKey& slot : info.InstallDirRegKey) {
    lines.push_back("InstallDirRegKey.HKEY: " + RootDisplayName(slot.Root));
    lines.push_back("InstallDirRegKey.Path: " + slot.Path);
    lines.push_back("InstallDirRegKey.Key: " + slot.Key);
  }
  lines.push_back("Changelog: " + info.Changelog);
  return lines;
}

TFrmDebug::TFrmDebug() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterWindowClassOnce(instance, {kDebugFormClass, WindowProc, GetSysColorBrush(COLOR_BTNFACE)});
  richEditLibrary_.reset(platform::win32::LoadSystemLibrary(L"msftedit.dll"));
  window_.reset(CreateWindowExW(0, kDebugFormClass, L"Debug", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight,
                                nullptr, nullptr, instance, this));
  if (!window_) throw std::runtime_error("The debug window could not be created.");
  RECT client;
  GetClientRect(window_.get(), &client);
  richEdit1_ = CreateWindowExW(0, richEditLibrary_ ? MSFTEDIT_CLASS : L"EDIT", L"",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                   ES_AUTOHSCROLL | ES_READONLY,
                               0, 0, client.right, client.bottom, window_.get(), nullptr, instance, nullptr);
  if (richEdit1_ == nullptr) throw std::runtime_error("The debug window could not be created.");
  font_ = CreateDialogFont(WindowDpi(window_.get()));
  SendMessageW(richEdit1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  // A rich edit takes 32,767 characters by default; a package's list is longer.
  SendMessageW(richEdit1_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
}

TFrmDebug::~TFrmDebug() {
  if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  window_.reset();  // before the rich edit's library
}

void TFrmDebug::Clear() {
  SetWindowTextW(richEdit1_, L"");
  empty_ = true;
}

// Appends at the end, so that a dump of many entries takes time in proportion to them.
void TFrmDebug::AddLine(const std::string& line) {
  const std::wstring text = (empty_ ? L"" : L"\r\n") + platform::win32::AnsiToWideString(line);
  empty_ = false;
  SendMessageW(richEdit1_, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  SendMessageW(richEdit1_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TFrmDebug::ShowModal(HWND owner) {
  if (owner != nullptr) EnableWindow(owner, FALSE);
  open_ = true;
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  MSG message;
  while (open_) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));  // for the main loop
      break;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  ShowWindow(window_.get(), SW_HIDE);
  if (owner != nullptr) {
    EnableWindow(owner, TRUE);
    SetForegroundWindow(owner);
  }
}

LRESULT CALLBACK TFrmDebug::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<TFrmDebug*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form != nullptr) {
    if (message == WM_CLOSE) {
      form->open_ = false;  // hidden, not destroyed: the dump can be shown again
      return 0;
    }
    if (message == WM_SIZE && form->richEdit1_ != nullptr) {
      MoveWindow(form->richEdit1_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The main form's hidden "Debug" button.
void TFrmMain::Button2Click() {
  TFrmDebug frmDebug;
  frmDebug.Clear();
  for (const std::string& line : DebugDumpLines(context_)) frmDebug.AddLine(line);
  frmDebug.ShowModal(window_.get());
}

}  // namespace setup::ui
