#pragma once
// One WM_PAINT's drawing: BeginPaint, and EndPaint at the end of the scope, also when
// the painting in between fails, so that a failure carried back to a caller (see
// callback_guard.h) leaves no drawing context behind.

#include <windows.h>

namespace setup::ui {

class TPaintScope {
 public:
  explicit TPaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~TPaintScope() {
    if (dc_ != nullptr) EndPaint(window_, &paint_);
  }
  TPaintScope(const TPaintScope&) = delete;
  TPaintScope& operator=(const TPaintScope&) = delete;

  // Null when there is nothing to paint with.
  HDC Dc() const { return dc_; }
  const RECT& Area() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_ = nullptr;
};

}  // namespace setup::ui
