#pragma once
// The DPI a window is shown at, and layout rectangles scaled to it. Layout values are
// pixels of a 96-DPI screen (ui/model/dpi_scale.h). Systems before per-monitor DPI
// (Windows 7, 8) report the system's DPI for every window.

#include <windows.h>

#include <cstdint>

namespace setup::ui {

// The DPI of the window's monitor; the system DPI where the system has no per-window
// value; 96 when nothing can be asked.
int32_t WindowDpi(HWND window);

// A rectangle of layout pixels at the DPI: the corner by ScaleLength, the size by
// ScaleSize.
RECT ScaleRect(const RECT& layout, int32_t dpi);

// Places a top-level window so that its client area has the given size: first by the
// frame's metrics at the window's DPI (where the system can give them), then corrected
// by what the client area turned out to be. centre: centred on the work area (the
// screen without the task bar) instead of at corner.
void PlaceWindow(HWND window, int clientWidth, int clientHeight, int32_t dpi, bool centre, POINT corner = {});

}  // namespace setup::ui
