#include "ui/win32/folder_refusal_tip.h"

#include <commctrl.h>

#include "ui/win32/common_controls.h"
#include "ui/win32/window_dpi.h"

namespace setup::ui {

namespace {
constexpr wchar_t kTitle[] = L"This folder cannot be used";
constexpr int kMostWidth = 360;  // pixels at 96 DPI; longer reasons wrap
}  // namespace

TFolderRefusalTip::~TFolderRefusalTip() {
  if (tip_ != nullptr) DestroyWindow(tip_);
}

TTTOOLINFOW TFolderRefusalTip::ToolInfo(wchar_t* text) const {
  TTTOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
  info.hwnd = GetAncestor(field_, GA_ROOT);
  info.uId = reinterpret_cast<UINT_PTR>(field_);
  info.lpszText = text;
  return info;
}

bool TFolderRefusalTip::Create(HWND field) {
  if (tip_ != nullptr && field_ == field) return true;
  if (tip_ != nullptr) DestroyWindow(tip_);
  tip_ = nullptr;
  shown_ = false;
  field_ = field;
  InitCommonControlClasses(ICC_WIN95_CLASSES);
  tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_BALLOON,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetAncestor(field, GA_ROOT),
                         nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tip_ == nullptr) return false;
  wchar_t empty[] = L"";
  TTTOOLINFOW info = ToolInfo(empty);
  if (SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) == FALSE) {
    DestroyWindow(tip_);
    tip_ = nullptr;
    return false;
  }
  SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, MulDiv(kMostWidth, WindowDpi(field), 96));
  SendMessageW(tip_, TTM_SETTITLEW, TTI_WARNING, reinterpret_cast<LPARAM>(kTitle));
  return true;
}

void TFolderRefusalTip::Show(HWND field, const std::wstring& reason) {
  if (field == nullptr || !Create(field)) return;
  std::wstring text = reason;
  TTTOOLINFOW info = ToolInfo(text.data());
  SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
  RECT rect{};
  GetWindowRect(field, &rect);
  SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(rect.left + (rect.bottom - rect.top) / 2, rect.bottom));
  SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
  shown_ = true;
}

void TFolderRefusalTip::Hide() {
  if (tip_ == nullptr || !shown_) return;
  wchar_t empty[] = L"";
  TTTOOLINFOW info = ToolInfo(empty);
  SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
  shown_ = false;
}

}  // namespace setup::ui
