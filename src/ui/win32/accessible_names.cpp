#include "ui/win32/accessible_names.h"

#include <unordered_map>

#include "platform/win32/system_library.h"
#include "ui/win32/accessible_object.h"

namespace setup::ui {

namespace {

using platform::win32::LoadSystemLibrary;
using platform::win32::SystemFunction;

// The accessibility library's functions, loaded from the system folder on first use;
// null where it is missing.
struct TOleacc {
  decltype(&LresultFromObject) ObjectResult = nullptr;
  decltype(&ObjectFromLresult) ResultObject = nullptr;
  decltype(&CreateStdAccessibleObject) StandardObject = nullptr;
};

const TOleacc& Oleacc() {
  static const TOleacc oleacc = [] {
    TOleacc loaded;
    const HMODULE module = LoadSystemLibrary(L"oleacc.dll");
    loaded.ObjectResult = SystemFunction<decltype(&LresultFromObject)>(module, "LresultFromObject");
    loaded.ResultObject = SystemFunction<decltype(&ObjectFromLresult)>(module, "ObjectFromLresult");
    loaded.StandardObject = SystemFunction<decltype(&CreateStdAccessibleObject)>(module, "CreateStdAccessibleObject");
    return loaded;
  }();
  return oleacc;
}

// A named window: its properties and the window procedure it had before.
struct TNamedWindow {
  TAccessibleProperties Properties;
  WNDPROC Previous = nullptr;
};

std::unordered_map<HWND, TNamedWindow>& NamedWindows() {
  static std::unordered_map<HWND, TNamedWindow> windows;
  return windows;
}

const TAccessibleProperties* FindProperties(HWND window) {
  const auto found = NamedWindows().find(window);
  return found == NamedWindows().end() ? nullptr : &found->second.Properties;
}

// The answer to WM_GETOBJECT for the client area: a reference to the object that the
// requester takes over, or 0 to let the window answer as it would. The object wraps the
// window's own one where its procedure has one (a rich edit's), else the system's
// standard object for its kind of window.
LRESULT AnswerObjectRequest(HWND window, WNDPROC previous, WPARAM wParam, LPARAM lParam) {
  const TOleacc& oleacc = Oleacc();
  if (oleacc.ObjectResult == nullptr) return 0;
  IAccessible* standard = nullptr;
  const LRESULT own = CallWindowProcW(previous, window, WM_GETOBJECT, wParam, lParam);
  if (own > 0 && oleacc.ResultObject != nullptr) {
    oleacc.ResultObject(own, IID_IAccessible, wParam, reinterpret_cast<void**>(&standard));
  }
  if (standard == nullptr && oleacc.StandardObject != nullptr) {
    oleacc.StandardObject(window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&standard));
  }
  IAccessible* object = NewAccessibleObject(window, standard, &FindProperties);
  if (standard != nullptr) standard->Release();
  if (object == nullptr) return 0;
  const LRESULT result = oleacc.ObjectResult(IID_IAccessible, wParam, object);
  object->Release();
  return result > 0 ? result : 0;
}

LRESULT CALLBACK NamedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto found = NamedWindows().find(window);
  if (found == NamedWindows().end()) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC previous = found->second.Previous;
  // The object identifier is a DWORD, whatever the width of lParam.
  if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
    if (const LRESULT answer = AnswerObjectRequest(window, previous, wParam, lParam); answer != 0) return answer;
  } else if (message == WM_NCDESTROY) {
    // The last message: a later window may get the same handle.
    NamedWindows().erase(found);
  }
  return CallWindowProcW(previous, window, message, wParam, lParam);
}

// The window's properties, the window set to answer for them on first use; null for
// no window.
TAccessibleProperties* PropertiesOf(HWND window) {
  if (window == nullptr) return nullptr;
  auto [named, added] = NamedWindows().try_emplace(window);
  if (added) {
    // Marshalling the object to a screen reader needs COM on this thread; a thread
    // that has it already in another model keeps it.
    static const bool started = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    (void)started;
    named->second.Previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NamedWindowProc)));
    if (named->second.Previous == nullptr) {
      NamedWindows().erase(named);
      return nullptr;
    }
  }
  return &named->second.Properties;
}

}  // namespace

void SetAccessibleName(HWND window, const std::wstring& name) {
  if (TAccessibleProperties* properties = PropertiesOf(window)) properties->Name = name;
}

void SetAccessibleValue(HWND window, const std::wstring& value) {
  if (TAccessibleProperties* properties = PropertiesOf(window)) properties->Value = value;
}

void SetAccessibleRole(HWND window, long role) {
  if (TAccessibleProperties* properties = PropertiesOf(window)) properties->Role = role;
}

void AnnounceAccessibleName(HWND window) {
  if (window != nullptr) NotifyWinEvent(EVENT_SYSTEM_ALERT, window, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace setup::ui
