#pragma once
// The system's own text for a Windows error code.

#include <windows.h>

#include <string>

namespace setup::platform::win32 {

// The message for code in the system code page, without the trailing line break;
// fallback when the system has none.
std::string SystemMessage(DWORD code, const char* fallback);

}  // namespace setup::platform::win32
