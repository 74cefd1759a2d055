#include "ui/win32/window_dpi.h"

#include <algorithm>

#include "ui/model/dpi_scale.h"

namespace setup::ui {

namespace {

// Windows 10 (1607) and later; looked up so that the stub still starts on Windows 7.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

template <typename F>
F User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

int32_t SystemDpi() {
  int32_t dpi = 0;
  if (HDC screen = GetDC(nullptr)) {
    dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
  }
  return UsableDpi(dpi);
}

}  // namespace

int32_t WindowDpi(HWND window) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpiForWindow != nullptr && window != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return UsableDpi(dpi);
  }
  return SystemDpi();
}

RECT ScaleRect(const RECT& layout, int32_t dpi) {
  const LONG left = ScaleLength(layout.left, dpi);
  const LONG top = ScaleLength(layout.top, dpi);
  const auto extent = [dpi](LONG from, LONG to) {
    return ScaleSize(static_cast<int32_t>(std::clamp<int64_t>(int64_t{to} - from, 0, INT32_MAX)), dpi);
  };
  const int64_t right = int64_t{left} + extent(layout.left, layout.right);
  const int64_t bottom = int64_t{top} + extent(layout.top, layout.bottom);
  return RECT{left, top, static_cast<LONG>(std::min<int64_t>(right, INT32_MAX)),
              static_cast<LONG>(std::min<int64_t>(bottom, INT32_MAX))};
}

void PlaceWindow(HWND window, int clientWidth, int clientHeight, int32_t dpi, bool centre, POINT corner) {
  static const auto adjustForDpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  RECT frame{0, 0, clientWidth, clientHeight};
  if (adjustForDpi == nullptr || !adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    frame = RECT{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  }
  SIZE size{frame.right - frame.left, frame.bottom - frame.top};
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (centre) {
      RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
      corner = POINT{work.left + (work.right - work.left - size.cx) / 2, work.top + (work.bottom - work.top - size.cy) / 2};
    }
    SetWindowPos(window, nullptr, corner.x, corner.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(window, &client);
    if (client.right == clientWidth && client.bottom == clientHeight) return;
    size.cx += clientWidth - client.right;
    size.cy += clientHeight - client.bottom;
  }
}

}  // namespace setup::ui
