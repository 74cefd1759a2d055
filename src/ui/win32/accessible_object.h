#pragma once
// The accessible object a named window gives screen readers: the window's own or the
// system's standard object for its client area, with the name, role and value this
// program set for the window answered in place of that object's. Everything else
// (state, location, parent, navigation, focus) is that object's.

#include <windows.h>

#include <oleacc.h>

#include <optional>
#include <string>

namespace setup::ui {

struct TAccessibleProperties {
  std::optional<std::wstring> Name;
  std::optional<long> Role;  // a ROLE_SYSTEM_* value
  std::optional<std::wstring> Value;
};

// The properties set for a window now, or null (none set, or the window is gone). The
// object asks at every call, so that it answers what the window shows at that moment.
using TAccessiblePropertiesLookup = const TAccessibleProperties* (*)(HWND window);

// A new object with one reference for the caller, or null without memory. standard may
// be null (the system's object could not be made): the object then answers only the
// set properties.
IAccessible* NewAccessibleObject(HWND window, IAccessible* standard, TAccessiblePropertiesLookup lookup);

}  // namespace setup::ui
