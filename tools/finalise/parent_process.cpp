#include "parent_process.h"

#include <tlhelp32.h>

#include "scoped_handle.h"

namespace finalise {

namespace {

// The id of the process that created this one; 0 when the snapshot does not list it.
DWORD ParentProcessId() {
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return 0;
  const DWORD self = GetCurrentProcessId();
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    if (entry.th32ProcessID == self) return entry.th32ParentProcessID;
  }
  return 0;
}

bool CreationTime(HANDLE process, ULONGLONG& time) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return false;
  time = (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  return true;
}

}  // namespace

bool WaitForParentToEnd(DWORD timeoutMs) {
  const DWORD parentId = ParentProcessId();
  if (parentId == 0) return false;
  ScopedHandle parent(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parentId));
  if (!parent.Valid()) {
    // Gone already (ERROR_INVALID_PARAMETER: no such process), or not ours to query.
    if (GetLastError() == ERROR_INVALID_PARAMETER) return true;
    parent.Reset(OpenProcess(SYNCHRONIZE, FALSE, parentId));
    if (!parent.Valid()) return false;
  } else {
    // Ids are reused: a process younger than this one cannot have started it.
    ULONGLONG parentCreated = 0, selfCreated = 0;
    if (CreationTime(parent.Get(), parentCreated) && CreationTime(GetCurrentProcess(), selfCreated) &&
        parentCreated > selfCreated) {
      return true;
    }
  }
  return WaitForSingleObject(parent.Get(), timeoutMs) == WAIT_OBJECT_0;
}

}  // namespace finalise
