#include "ui/win32/accessible_object.h"

#include <new>

namespace setup::ui {

namespace {

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// A set text as a string the caller frees, or S_FALSE with none when it is empty.
HRESULT AnswerText(const std::wstring& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

// A COM object is deleted by its own Release, never through the interface, which has
// no virtual destructor by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TAccessibleObject final : public IAccessible {
 public:
  TAccessibleObject(HWND window, IAccessible* standard, TAccessiblePropertiesLookup lookup)
      : window_(window), standard_(standard), lookup_(lookup) {
    if (standard_ != nullptr) standard_->AddRef();
  }
  TAccessibleObject(const TAccessibleObject&) = delete;
  TAccessibleObject& operator=(const TAccessibleObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const auto left = static_cast<ULONG>(InterlockedDecrement(&references_));
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: the standard object's type information describes the same interface.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return Standard([&](IAccessible& s) { return s.GetTypeInfoCount(count); });
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return Standard([&](IAccessible& s) { return s.GetTypeInfo(index, locale, info); });
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    return Standard([&](IAccessible& s) { return s.GetIDsOfNames(iid, names, count, locale, ids); });
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argument) override {
    return Standard([&](IAccessible& s) {
      return s.Invoke(id, iid, locale, flags, params, result, exception, argument);
    });
  }

  // IAccessible: the set name, role and value for the window itself, the rest standard.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (const TAccessibleProperties* set = Set(child); set != nullptr && set->Name) return AnswerText(*set->Name, name);
    return Standard([&](IAccessible& s) { return s.get_accName(child, name); });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (const TAccessibleProperties* set = Set(child); set != nullptr && set->Value) {
      return AnswerText(*set->Value, value);
    }
    return Standard([&](IAccessible& s) { return s.get_accValue(child, value); });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (const TAccessibleProperties* set = Set(child); set != nullptr && set->Role) {
      if (role == nullptr) return E_POINTER;
      VariantInit(role);
      role->vt = VT_I4;
      role->lVal = *set->Role;
      return S_OK;
    }
    return Standard([&](IAccessible& s) { return s.get_accRole(child, role); });
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return Standard([&](IAccessible& s) { return s.get_accParent(parent); });
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    return Standard([&](IAccessible& s) { return s.get_accChildCount(count); });
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return Standard([&](IAccessible& s) { return s.get_accChild(child, object); });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return Standard([&](IAccessible& s) { return s.get_accDescription(child, description); });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return Standard([&](IAccessible& s) { return s.get_accState(child, state); });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return Standard([&](IAccessible& s) { return s.get_accHelp(child, help); });
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return Standard([&](IAccessible& s) { return s.get_accHelpTopic(file, child, topic); });
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return Standard([&](IAccessible& s) { return s.get_accKeyboardShortcut(child, shortcut); });
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    return Standard([&](IAccessible& s) { return s.get_accFocus(focus); });
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return Standard([&](IAccessible& s) { return s.get_accSelection(selection); });
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Standard([&](IAccessible& s) { return s.get_accDefaultAction(child, action); });
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return Standard([&](IAccessible& s) { return s.accSelect(flags, child); });
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    return Standard([&](IAccessible& s) { return s.accLocation(left, top, width, height, child); });
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return Standard([&](IAccessible& s) { return s.accNavigate(direction, start, end); });
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override {
    return Standard([&](IAccessible& s) { return s.accHitTest(left, top, child); });
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return Standard([&](IAccessible& s) { return s.accDoDefaultAction(child); });
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return Standard([&](IAccessible& s) { return s.put_accName(child, name); });
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return Standard([&](IAccessible& s) { return s.put_accValue(child, value); });
  }

 private:
  ~TAccessibleObject() {
    if (standard_ != nullptr) standard_->Release();
  }

  const TAccessibleProperties* Set(const VARIANT& child) const { return IsSelf(child) ? lookup_(window_) : nullptr; }

  template <typename Call>
  HRESULT Standard(Call call) const {
    return standard_ != nullptr ? call(*standard_) : E_NOTIMPL;
  }

  const HWND window_;
  IAccessible* const standard_;
  const TAccessiblePropertiesLookup lookup_;
  LONG references_ = 1;
};
#pragma GCC diagnostic pop

}  // namespace

IAccessible* NewAccessibleObject(HWND window, IAccessible* standard, TAccessiblePropertiesLookup lookup) {
  return new (std::nothrow) TAccessibleObject(window, standard, lookup);
}

}  // namespace setup::ui
