#pragma once
// What screen readers read for the wizard's windows beyond what the windows say
// themselves: names, roles and values given through the system's annotation service
// for accessible objects, so that standard controls (edits, the folder tree) keep their
// own accessible objects and only the annotated properties change, and the windows
// drawn by this program (labels, panels, bevels, the gauge, the page area) read as what
// they show. Without the service (or without COM on the thread) nothing happens.

#include <windows.h>

#include <string>

namespace setup::ui {

void SetAccessibleName(HWND window, const std::wstring& name);
// A ROLE_SYSTEM_* value.
void SetAccessibleRole(HWND window, long role);
void SetAccessibleValue(HWND window, const std::wstring& value);
// Forgets what was set for a window that is going away (a later window may get its
// handle).
void ClearAccessibleProperties(HWND window);
// Asks screen readers to read the window's name now (a page that appeared).
void AnnounceAccessibleName(HWND window);

}  // namespace setup::ui
