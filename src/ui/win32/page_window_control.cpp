#include "ui/win32/page_window_control.h"

#include <algorithm>

#include "base/errors.h"
#include "ui/win32/page_area.h"
#include "ui/win32/window_dpi.h"

namespace setup::ui {

RECT ControlBounds(const TControlDesc& desc, SIZE defaultSize) {
  const int left = desc.Left.value_or(0);
  const int top = desc.Top.value_or(0);
  const int width = std::max(0, desc.Width.value_or(defaultSize.cx));
  const int height = std::max(0, desc.Height.value_or(defaultSize.cy));
  // Far outside any screen, but never overflowing.
  const auto edge = [](int start, int size) {
    return static_cast<LONG>(std::clamp<int64_t>(int64_t{start} + size, INT32_MIN, INT32_MAX));
  };
  return RECT{left, top, edge(left, width), edge(top, height)};
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

TWindowControl::TWindowControl(const TControlDesc& desc, TPageArea& area)
    : TPageControl(desc.Name, desc.Type, desc.RawText),
      area_(area),
      fontKeys_(TFontKeys::Of(desc)),
      font_(MakeControlFont(fontKeys_, area.Font(), area.Dpi())) {}

void TWindowControl::CreateChild(const TControlDesc& desc, DWORD exStyle, const wchar_t* className,
                                 const std::wstring& text, DWORD style, SIZE defaultSize,
                                 void* createParam) {
  layoutBounds_ = ControlBounds(desc, defaultSize);
  const RECT bounds = ScaleRect(layoutBounds_, area_.Dpi());
  window_.reset(CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_CLIPSIBLINGS | style,
                                bounds.left, bounds.top, bounds.right - bounds.left,
                                bounds.bottom - bounds.top, area_.Window(), nullptr,
                                GetModuleHandleW(nullptr), createParam));
  if (!window_) throw SetupError("The control " + desc.Name + " could not be created.");
  // Later controls lie above earlier ones, as they are listed in the page file.
  ChildToFront(window_.get());
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle), FALSE);
  if (desc.Enabled) EnableWindow(window_.get(), *desc.Enabled ? TRUE : FALSE);
}

void TWindowControl::RegisterColours(std::optional<COLORREF> background, bool areaBackground) {
  if (!font_.Colour && !background && !areaBackground) return;
  area_.SetChildColours(window_.get(), TChildColours{font_.Colour, background, areaBackground});
}

void ShowChild(HWND window, bool visible) {
  if (visible == ChildVisible(window)) return;
  ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
}

bool ChildVisible(HWND window) { return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

void ChildToFront(HWND window) {
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ChildToBack(HWND window) {
  SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWindowControl::MoveToLayoutPlace() {
  const RECT bounds = ScaleRect(layoutBounds_, area_.Dpi());
  SetWindowPos(window_.get(), nullptr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWindowControl::ApplyDpi() {
  TControlFont font = MakeControlFont(fontKeys_, area_.Font(), area_.Dpi());
  MoveToLayoutPlace();
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Handle), TRUE);
  font_ = std::move(font);  // the old font goes once the window no longer uses it
}

void TWindowControl::SetVisible(bool visible) { ShowChild(window_.get(), visible); }
bool TWindowControl::Visible() const { return ChildVisible(window_.get()); }
void TWindowControl::SendToBack() { ChildToBack(window_.get()); }

}  // namespace setup::ui
