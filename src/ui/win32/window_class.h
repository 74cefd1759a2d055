#pragma once
// Registration of this program's own window classes.

#include <windows.h>

namespace setup::ui {

struct WindowClassOptions {
  const wchar_t* name;
  WNDPROC procedure;
  HBRUSH background = nullptr;  // none: the window paints its whole background itself
  UINT style = 0;
  HICON icon = nullptr;
};

// Registers the class for the module with the arrow cursor, once: a class already
// registered by an earlier window is left as it is. The class's windows get their
// messages through one guarding procedure that runs options.procedure inside
// GuardCallback (callback_guard.h): no exception a message handler raises, painting
// included, leaves the procedure into the system's frames.
void RegisterWindowClassOnce(HINSTANCE instance, const WindowClassOptions& options);

}  // namespace setup::ui
