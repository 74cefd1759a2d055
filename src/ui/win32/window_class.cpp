#include "ui/win32/window_class.h"

namespace setup::ui {

void RegisterWindowClassOnce(HINSTANCE instance, const WindowClassSpec& spec) {
  WNDCLASSEXW windowClass{};
  if (GetClassInfoExW(instance, spec.name, &windowClass)) return;
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = spec.style;
  windowClass.lpfnWndProc = spec.procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = spec.icon;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = spec.background;
  windowClass.lpszClassName = spec.name;
  RegisterClassExW(&windowClass);
}

}  // namespace setup::ui
