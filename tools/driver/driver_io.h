#pragma once
// Output and window reading shared by the driver's parts.

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

// One line on stdout (or stderr with "setup_driver: " in front), UTF-8, unbuffered.
void Report(const std::wstring& line);
// From now on every reported line starts with "@MS ", the milliseconds since ORIGIN
// (a QueryPerformanceCounter reading).
void StampReportsFrom(LARGE_INTEGER origin);
void Complain(const std::wstring& line);
// Carriage return and line feed as the two characters "\r" and "\n".
std::wstring Escape(const std::wstring& text);

// The text the system keeps for a window, read without sending it a message (the stub
// does not process messages while it verifies).
std::wstring WindowText(HWND window);
// The text a control gives when asked (edits keep their text themselves); falls back to
// WindowText when the control does not answer within half a second.
std::wstring ControlText(HWND window);
std::wstring ClassName(HWND window);

// The visible top-level windows of a process, in the system's order; with a class name,
// only the windows of that class ("#32770": message boxes).
std::vector<HWND> TopLevelWindowsOf(DWORD processId, const std::wstring& className = {});

}  // namespace driver
