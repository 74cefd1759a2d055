#pragma once
// Waiting for the process that started this one (the uninstaller) to end.

#include <windows.h>

namespace finalise {

// Waits up to timeoutMs for the parent process to end. Returns true when it has ended
// (or was gone already); false when it cannot be found or opened, or is still running.
// A process that has taken over the parent's id after it ended (it was created after
// this one) is not waited for.
bool WaitForParentToEnd(DWORD timeoutMs);

}  // namespace finalise
