#pragma once
// Deleting the uninstaller's file, and its folder when nothing else is left in it.

#include <windows.h>

namespace finalise {

// A full path: a drive letter and a separator ("C:\"), or a network or device path
// ("\\server\share\...", "\\?\C:\..."). Relative paths are refused: they would be
// resolved against a working folder that nobody chose.
bool IsFullPath(const wchar_t* path);

// Whether path names an existing file (not a folder).
bool IsExistingFile(const wchar_t* path);

// Deletes the file at path, clearing its read-only attribute first. While it cannot be
// deleted (the uninstaller may still be ending) it tries again every 100 ms until the
// tick count reaches deadline; the read-only attribute is restored if it fails. True
// when the file is gone.
bool DeleteFileBy(const wchar_t* path, ULONGLONG deadline);

// Removes the folder that holds the file at path if it is empty (a folder that still
// holds anything stays as it is; nothing in it is touched). A folder that is merely in
// use is tried again until deadline. True when it was removed.
bool RemoveFolderIfEmpty(const wchar_t* path, ULONGLONG deadline);

}  // namespace finalise
