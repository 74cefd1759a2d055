#pragma once
// What a screen reader reads for a window of another program: the name, role and
// value of its client area's accessible object.

#include <windows.h>

#include <string>

namespace driver {

// "role=<n> name=<text> value=<text>" (texts escaped as in the driver's output), or
// "role=none" when the window gives no accessible object.
std::wstring ReadOut(HWND window);

}  // namespace driver
