#include "ui/win32/accessible_names.h"

#include <oleacc.h>

#include <iterator>

namespace setup::ui {

namespace {

// The process's annotation service, made on first use on the user-interface thread
// (which starts COM for itself when nothing has yet); null when it cannot be had.
IAccPropServices* Services() {
  static IAccPropServices* const services = [] {
    IAccPropServices* made = nullptr;
    HRESULT result = CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                      reinterpret_cast<void**>(&made));
    if (result == CO_E_NOTINITIALIZED && SUCCEEDED(CoInitialize(nullptr))) {
      result = CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(&made));
    }
    return SUCCEEDED(result) ? made : nullptr;
  }();
  return services;
}

void SetText(HWND window, const MSAAPROPID& property, const std::wstring& text) {
  if (IAccPropServices* services = Services(); services != nullptr && window != nullptr) {
    services->SetHwndPropStr(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property, text.c_str());
  }
}

}  // namespace

void SetAccessibleName(HWND window, const std::wstring& name) { SetText(window, PROPID_ACC_NAME, name); }

void SetAccessibleValue(HWND window, const std::wstring& value) { SetText(window, PROPID_ACC_VALUE, value); }

void SetAccessibleRole(HWND window, long role) {
  if (IAccPropServices* services = Services(); services != nullptr && window != nullptr) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = role;
    services->SetHwndProp(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_ROLE, value);
  }
}

void ClearAccessibleProperties(HWND window) {
  static const MSAAPROPID kProperties[] = {PROPID_ACC_NAME, PROPID_ACC_ROLE, PROPID_ACC_VALUE};
  if (IAccPropServices* services = Services(); services != nullptr && window != nullptr) {
    services->ClearHwndProps(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kProperties,
                             static_cast<int>(std::size(kProperties)));
  }
}

void AnnounceAccessibleName(HWND window) {
  if (window != nullptr) NotifyWinEvent(EVENT_SYSTEM_ALERT, window, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace setup::ui
