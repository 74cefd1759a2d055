#pragma once
// What screen readers read for the wizard's windows beyond what the windows say
// themselves. A window given a name, role or value here answers the system's request
// for its accessible object (WM_GETOBJECT) with its own object (where its procedure has
// one) or the system's standard object for its kind of window, those properties
// answered as set (ui/win32/accessible_object.h). So standard controls (edits, rich
// edits, the folder tree) keep everything of their own but the name, and the
// windows drawn by this program (labels, panels, bevels, the gauge, the page area) read
// as what they show. The properties go with the window when it is destroyed. User-
// interface thread only.

#include <windows.h>

#include <string>

namespace setup::ui {

void SetAccessibleName(HWND window, const std::wstring& name);
// A ROLE_SYSTEM_* value.
void SetAccessibleRole(HWND window, long role);
void SetAccessibleValue(HWND window, const std::wstring& value);
// Asks screen readers to read the window's name now (a page that appeared).
void AnnounceAccessibleName(HWND window);

}  // namespace setup::ui
