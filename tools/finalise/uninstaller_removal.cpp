#include "uninstaller_removal.h"

namespace finalise {

namespace {

constexpr DWORD kRetryMs = 100;
constexpr DWORD kMaxPath = 32768;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

}  // namespace

bool IsFullPath(const wchar_t* path) {
  const bool driveLetter = (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
  if (driveLetter && path[1] == L':' && IsSeparator(path[2])) return true;
  return IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != L'\0';
}

bool IsExistingFile(const wchar_t* path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DeleteFileBy(const wchar_t* path, ULONGLONG deadline) {
  DWORD readOnlyCleared = 0;
  for (;;) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (IsGone(GetLastError())) return true;
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return false;  // a folder has taken the file's place: not ours to delete
    } else {
      if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
          SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY)) {
        readOnlyCleared = attributes;
      }
      if (DeleteFileW(path)) return true;
    }
    if (GetTickCount64() >= deadline) break;
    Sleep(kRetryMs);
  }
  if (readOnlyCleared != 0) SetFileAttributesW(path, readOnlyCleared);
  return false;
}

bool RemoveFolderIfEmpty(const wchar_t* path, ULONGLONG deadline) {
  wchar_t folder[kMaxPath];
  if (lstrlenW(path) >= static_cast<int>(kMaxPath)) return false;
  lstrcpyW(folder, path);
  int end = lstrlenW(folder);
  while (end > 0 && !IsSeparator(folder[end - 1])) --end;
  while (end > 0 && IsSeparator(folder[end - 1])) --end;
  folder[end] = L'\0';
  if (end <= 2) return false;  // a drive's root ("C:"), or nothing left
  const DWORD attributes = GetFileAttributesW(folder);
  // A link to a folder elsewhere stays: removing it would not be removing an empty folder.
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return false;
  }
  for (;;) {
    if (RemoveDirectoryW(folder)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_DIR_NOT_EMPTY || IsGone(error) || GetTickCount64() >= deadline) return false;
    Sleep(kRetryMs);
  }
}

}  // namespace finalise
