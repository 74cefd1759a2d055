#include "ui/win32/frm_verify.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "platform/win32/wide_text.h"
#include "ui/model/dpi_scale.h"
#include "ui/win32/common_controls.h"
#include "ui/win32/page_font.h"
#include "ui/win32/window_class.h"
#include "ui/win32/window_dpi.h"

namespace setup::ui {

namespace {

// The layout in client pixels of a 96-DPI screen; shown scaled to the window's DPI (the
// window processes no messages, so it keeps the DPI it opened at).
constexpr int kClientWidth = 321;
constexpr int kClientHeight = 70;
constexpr int kMargin = 8;
constexpr int kLabel1Width = 156;
constexpr int kStatusLabelWidth = 150;
constexpr int kProgressTop = 48;
constexpr int kProgressWidth = 305;
constexpr int kProgressHeight = 16;
constexpr int kProgressMaximum = 100;
// Tall enough for the font's descenders; the status line ends where the bar begins.
constexpr int kMinLabelHeight = 15;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;

// Checking cannot be cancelled: the window ignores requests to close.
LRESULT CALLBACK VerifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

HMENU ControlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

}  // namespace

TFrmVerify::TFrmVerify() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  InitCommonControlClasses(ICC_PROGRESS_CLASS);
  RegisterWindowClassOnce(instance, {kVerifyWindowClass, VerifyWindowProc, GetSysColorBrush(COLOR_BTNFACE)});

  window_.reset(CreateWindowExW(kExStyle, kVerifyWindowClass, kVerifyCaption, kStyle, 0, 0, kClientWidth,
                                kClientHeight, nullptr, nullptr, instance, nullptr));
  if (!window_) throw std::runtime_error("The verification window could not be created.");
  dpi_ = WindowDpi(window_.get());
  font_ = CreateDialogFont(dpi_);
  PlaceWindow(window_.get(), Scaled(kClientWidth), Scaled(kClientHeight), dpi_, true);
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

  if (HDC dc = GetDC(window_.get())) {
    const HGDIOBJ previous = SelectObject(dc, font_.get());
    TEXTMETRICW metrics{};
    if (GetTextMetricsW(dc, &metrics)) labelHeight_ = std::max<int>(Scaled(kMinLabelHeight), metrics.tmHeight);
    SelectObject(dc, previous);
    ReleaseDC(window_.get(), dc);
  }

  label1_ = CreateLabel(kLabel1Id, L"Verifying contents please wait...", kMargin, kMargin, kLabel1Width);
  statusLabel_ = CreateLabel(kStatusLabelId, L"Status: 0 out of 0 files verifyed", kMargin, 32, kStatusLabelWidth);
  progressBar1_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, Scaled(kMargin),
                                  Scaled(kProgressTop), Scaled(kProgressWidth), Scaled(kProgressHeight),
                                  window_.get(), ControlId(kProgressBar1Id), instance, nullptr);
  if (label1_ == nullptr || statusLabel_ == nullptr || progressBar1_ == nullptr) {
    throw std::runtime_error("The verification window could not be created.");
  }
  SendMessageW(progressBar1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  SetProgress(0, kProgressMaximum);
}

HWND TFrmVerify::CreateLabel(int id, const wchar_t* text, int x, int y, int width) {
  HWND label = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                               Scaled(x), Scaled(y), Scaled(width), labelHeight_, window_.get(), ControlId(id),
                               GetModuleHandleW(nullptr), nullptr);
  if (label != nullptr) {
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    FitLabel(label, width);
  }
  return label;
}

void TFrmVerify::FitLabel(HWND label, int layoutWidth) {
  const int length = GetWindowTextLengthW(label);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(label, text.data(), length + 1);
  int width = Scaled(layoutWidth);
  if (HDC dc = GetDC(label)) {
    const HGDIOBJ previous = SelectObject(dc, font_.get());
    SIZE extent{};
    if (GetTextExtentPoint32W(dc, text.c_str(), length, &extent)) {
      width = std::max(width, static_cast<int>(extent.cx));
    }
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
  }
  width = std::min(width, Scaled(kClientWidth - kMargin * 2));
  RECT current{};
  GetClientRect(label, &current);
  if (current.right != width) {
    SetWindowPos(label, nullptr, 0, 0, width, labelHeight_,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int TFrmVerify::Scaled(int layoutPixels) const { return ScaleLength(layoutPixels, dpi_); }

void TFrmVerify::Show() {
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  Repaint();
}

void TFrmVerify::SetStatus(const std::string& text) {
  SetWindowTextW(statusLabel_, platform::win32::AnsiToWideString(text).c_str());
  FitLabel(statusLabel_, kStatusLabelWidth);
}

void TFrmVerify::SetProgress(uint32_t position, uint32_t maximum) {
  // An empty package has nothing to count; an empty bar of one step shows that.
  const uint32_t top = std::max<uint32_t>(maximum, 1);
  SendMessageW(progressBar1_, PBM_SETRANGE32, 0, static_cast<LPARAM>(top));
  SendMessageW(progressBar1_, PBM_SETPOS, static_cast<WPARAM>(std::min(position, top)), 0);
}

void TFrmVerify::Repaint() {
  // Paints synchronously; the message queue is left alone, so no input is processed.
  // The whole window the first time; after that only the two controls that change
  // (once per entry, and a whole window's painting costs far more than checking a
  // small entry), then whatever a resized status line uncovered.
  if (!painted_) {
    RedrawWindow(window_.get(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    painted_ = true;
    return;
  }
  for (HWND control : {statusLabel_, progressBar1_}) {
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  UpdateWindow(window_.get());
}

}  // namespace setup::ui
