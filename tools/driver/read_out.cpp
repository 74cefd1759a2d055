#include "read_out.h"

#include <oleacc.h>

#include "driver_io.h"

namespace driver {

namespace {

// The accessibility library as a screen reader loads it (linking it would define the
// interface identifier a second time beside the one in the uuid library).
decltype(&AccessibleObjectFromWindow) FromWindow() {
  static const auto function = [] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const HMODULE module = LoadLibraryW(L"oleacc.dll");
    return module == nullptr ? nullptr
                             : reinterpret_cast<decltype(&AccessibleObjectFromWindow)>(
                                   reinterpret_cast<void (*)()>(GetProcAddress(module, "AccessibleObjectFromWindow")));
  }();
  return function;
}

std::wstring Taken(BSTR text) {
  std::wstring out = text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return out;
}

}  // namespace

std::wstring ReadOut(HWND window) {
  IAccessible* object = nullptr;
  const auto fromWindow = FromWindow();
  if (fromWindow == nullptr || FAILED(fromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                                 reinterpret_cast<void**>(&object)))) {
    return L"role=none";
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT role;
  VariantInit(&role);
  BSTR name = nullptr;
  BSTR value = nullptr;
  const bool hasRole = object->get_accRole(self, &role) == S_OK && role.vt == VT_I4;
  object->get_accName(self, &name);
  object->get_accValue(self, &value);
  object->Release();
  return L"role=" + (hasRole ? std::to_wstring(role.lVal) : std::wstring(L"none")) + L" name=" +
         Escape(Taken(name)) + L" value=" + Escape(Taken(value));
}

}  // namespace driver
