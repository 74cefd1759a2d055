#include "ui/win32/window_class.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <mutex>

#include "ui/win32/callback_guard.h"

namespace setup::ui {

namespace {

// The procedures of the classes registered here, by class atom. A program has a handful
// of classes; entries are only ever added, each published by the count, so that the
// procedure of every message reads them without a lock.
struct ClassProcedure {
  ATOM atom = 0;
  WNDPROC procedure = nullptr;
};
constexpr size_t kMaxClasses = 32;
std::array<ClassProcedure, kMaxClasses> classProcedures;
std::atomic<size_t> classCount{0};
std::mutex registrationMutex;

WNDPROC ProcedureOf(HWND window) {
  const auto atom = static_cast<ATOM>(GetClassWord(window, GCW_ATOM));
  const size_t count = classCount.load(std::memory_order_acquire);
  for (size_t i = 0; i < count; ++i) {
    if (classProcedures[i].atom == atom) return classProcedures[i].procedure;
  }
  return nullptr;
}

// Every message to a window of our classes passes here. A failure the guard kept for a
// caller (see CarryCallbackErrors) leaves the message answered with 0.
LRESULT CALLBACK GuardedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return GuardCallback(
      [&]() -> LRESULT {
        const WNDPROC procedure = ProcedureOf(window);
        if (procedure == nullptr) return DefWindowProcW(window, message, wParam, lParam);
        return procedure(window, message, wParam, lParam);
      },
      LRESULT{0});
}

}  // namespace

void RegisterWindowClassOnce(HINSTANCE instance, const WindowClassOptions& options) {
  std::lock_guard<std::mutex> lock(registrationMutex);
  WNDCLASSEXW windowClass{};
  if (GetClassInfoExW(instance, options.name, &windowClass)) return;
  const size_t count = classCount.load(std::memory_order_relaxed);
  if (count == kMaxClasses) return;  // more classes than this program has; never reached
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = options.style;
  windowClass.lpfnWndProc = GuardedWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = options.icon;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = options.background;
  windowClass.lpszClassName = options.name;
  const ATOM atom = RegisterClassExW(&windowClass);
  if (atom == 0) return;
  classProcedures[count] = {atom, options.procedure};
  classCount.store(count + 1, std::memory_order_release);
}

}  // namespace setup::ui
