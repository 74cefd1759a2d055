#include "ui/win32/window_class.h"

namespace setup::ui {

void RegisterWindowClassOnce(HINSTANCE instance, const WindowClassOptions& options) {
  WNDCLASSEXW windowClass{};
  if (GetClassInfoExW(instance, options.name, &windowClass)) return;
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = options.style;
  windowClass.lpfnWndProc = options.procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = options.icon;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = options.background;
  windowClass.lpszClassName = options.name;
  RegisterClassExW(&windowClass);
}

}  // namespace setup::ui
