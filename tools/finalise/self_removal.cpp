#include "self_removal.h"

#include <windows.h>

#include "deletion_helper.h"
#include "scoped_handle.h"

namespace finalise {

namespace {

constexpr DWORD kMaxPath = 32768;
// Not in the headers for the Windows version the build targets; the values are fixed.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionPosixSemantics = 0x2;

// A stream name of the same file: once the unnamed data stream, which the running
// image was mapped from, carries this name, the file itself can be deleted.
constexpr wchar_t kStreamName[] = L":finalise";

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

HANDLE OpenForDeletion(const wchar_t* path) {
  return CreateFileW(path, DELETE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Only on a volume that has named streams: elsewhere a name beginning with ":" may be
// taken as a file name relative to the working folder, and the file moved there.
bool RenameDataStream(const wchar_t* path) {
  ScopedHandle file(OpenForDeletion(path));
  if (!file.Valid()) return false;
  DWORD flags = 0;
  if (!GetVolumeInformationByHandleW(file.Get(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
      (flags & FILE_NAMED_STREAMS) == 0) {
    return false;
  }
  alignas(FILE_RENAME_INFO) BYTE buffer[sizeof(FILE_RENAME_INFO) + sizeof kStreamName] = {};
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer);
  rename->FileNameLength = sizeof kStreamName - sizeof(wchar_t);
  CopyMemory(rename->FileName, kStreamName, sizeof kStreamName);
  return SetFileInformationByHandle(file.Get(), FileRenameInfo, rename, sizeof buffer) != 0;
}

bool MarkForDeletion(const wchar_t* path) {
  ScopedHandle file(OpenForDeletion(path));
  if (!file.Valid()) return false;
  // The name goes at once with POSIX semantics (newer systems require them for a file
  // whose image is mapped); older systems know only the plain disposition.
  DWORD flags = kDispositionDelete | kDispositionPosixSemantics;
  if (SetFileInformationByHandle(file.Get(), kFileDispositionInfoEx, &flags, sizeof flags)) return true;
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

}  // namespace

bool RemoveOwnFile() {
  wchar_t self[kMaxPath];
  const DWORD length = GetModuleFileNameW(nullptr, self, kMaxPath);
  if (length == 0 || length >= kMaxPath) return false;
  if (DeleteFileW(self)) return true;
  if (RenameDataStream(self)) {
    MarkForDeletion(self);
    if (!Exists(self)) return true;
  }
  if (StartDeletionHelper(self)) return true;
  return MoveFileExW(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

}  // namespace finalise
