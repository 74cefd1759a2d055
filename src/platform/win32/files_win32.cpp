#include <windows.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/files.h"
#include "platform/win32/system_message.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

namespace {

// The handle lives in an integer so that files.h stays free of <windows.h>;
// -1 is INVALID_HANDLE_VALUE.
constexpr intptr_t kClosed = -1;

HANDLE ToHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

// ReadFile and WriteFile move at most a DWORD at a time; keep well below that.
constexpr size_t kMaxChunk = 1u << 30;

std::wstring WidePath(const std::string& path) { return win32::AnsiToWideString(path); }

DWORD Attributes(const std::string& path) { return GetFileAttributesW(WidePath(path).c_str()); }

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Where the first folder that can be created starts: after "X:\" or after the
// "\\server\share\" of a network path; 0 for a relative path.
size_t RootLength(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':') {
    return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
  }
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // Skip the server and the share name.
    size_t separators = 0;
    for (size_t i = 2; i < path.size(); ++i) {
      if (IsSeparator(path[i]) && ++separators == 2) return i + 1;
    }
    return path.size();
  }
  return path.size() >= 1 && IsSeparator(path[0]) ? 1 : 0;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, kClosed)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kClosed);
  }
  return *this;
}

namespace {
thread_local bool lastOpenInUse = false;
// The error of the last failed open or write on this thread (0: none).
thread_local DWORD lastFileError = 0;
}  // namespace

bool LastOpenFailedInUse() { return lastOpenInUse; }

std::string LastFileErrorText() {
  return lastFileError == 0 ? std::string() : win32::SystemMessage(lastFileError, "The system gave no reason.");
}

bool File::Open(const std::string& path, OpenMode mode) {
  Close();
  DWORD access = GENERIC_READ;
  DWORD share = 0;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::ReadShared:
      // A running program opens its own executable: others keep reading and writing.
      share = FILE_SHARE_READ | FILE_SHARE_WRITE;
      break;
    case OpenMode::ReadWriteExclusive:
      access = GENERIC_READ | GENERIC_WRITE;
      break;
    case OpenMode::CreateAlways:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
    case OpenMode::CreateNew:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = CREATE_NEW;
      break;
    case OpenMode::ReadWriteShared:
      access = GENERIC_READ | GENERIC_WRITE;
      share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
      break;
    case OpenMode::ReadWriteDenyWrite:
      access = GENERIC_READ | GENERIC_WRITE;
      share = FILE_SHARE_READ;
      break;
  }
  HANDLE handle = CreateFileW(WidePath(path).c_str(), access, share, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    lastOpenInUse = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    lastFileError = error;
    return false;
  }
  lastOpenInUse = false;
  // Only a regular disk file counts: a folder, device or pipe is refused. The standard
  // information answers from the file itself; the whole-handle query would also ask
  // for the volume's serial number, which under Wine is a round trip through its
  // mount manager for every file a setup writes.
  FILE_STANDARD_INFO info{};
  if (GetFileType(handle) != FILE_TYPE_DISK ||
      !GetFileInformationByHandleEx(handle, FileStandardInfo, &info, sizeof info) || info.Directory) {
    lastFileError = ERROR_ACCESS_DENIED;
    CloseHandle(handle);
    return false;
  }
  handle_ = FromHandle(handle);
  return true;
}

bool File::IsOpen() const { return handle_ != kClosed; }

void File::Close() {
  if (handle_ != kClosed) CloseHandle(ToHandle(handle_));
  handle_ = kClosed;
}

uint64_t File::Size() const {
  LARGE_INTEGER size{};
  if (handle_ == kClosed || !GetFileSizeEx(ToHandle(handle_), &size)) return 0;
  return static_cast<uint64_t>(size.QuadPart);
}

bool File::Seek(uint64_t position) {
  if (handle_ == kClosed || position > static_cast<uint64_t>(INT64_MAX)) return false;
  LARGE_INTEGER distance{};
  distance.QuadPart = static_cast<LONGLONG>(position);
  return SetFilePointerEx(ToHandle(handle_), distance, nullptr, FILE_BEGIN) != 0;
}

bool File::SeekToEnd() {
  LARGE_INTEGER distance{};
  return handle_ != kClosed && SetFilePointerEx(ToHandle(handle_), distance, nullptr, FILE_END) != 0;
}

size_t File::Read(void* dest, size_t count) {
  if (handle_ == kClosed) return 0;
  auto* out = static_cast<char*>(dest);
  size_t done = 0;
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(std::min(count - done, kMaxChunk));
    DWORD read = 0;
    if (!ReadFile(ToHandle(handle_), out + done, chunk, &read, nullptr) || read == 0) break;
    done += read;
  }
  return done;
}

bool File::Write(const void* src, size_t count) {
  if (handle_ == kClosed) return false;
  const auto* in = static_cast<const char*>(src);
  size_t done = 0;
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(std::min(count - done, kMaxChunk));
    DWORD written = 0;
    if (!WriteFile(ToHandle(handle_), in + done, chunk, &written, nullptr) || written == 0) {
      const DWORD error = GetLastError();
      lastFileError = error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
      return false;
    }
    done += written;
  }
  return true;
}

bool File::ReadAt(uint64_t position, void* dest, size_t count) {
  return Seek(position) && Read(dest, count) == count;
}

bool File::ReadAtShared(uint64_t position, void* dest, size_t count) const {
  if (handle_ == kClosed) return false;
  auto* out = static_cast<char*>(dest);
  size_t done = 0;
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(std::min(count - done, kMaxChunk));
    // The offset travels with the call: the system serialises reads on one handle,
    // and no thread depends on the file pointer they move.
    OVERLAPPED at{};
    const uint64_t offset = position + done;
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    if (!ReadFile(ToHandle(handle_), out + done, chunk, &read, &at) || read == 0) return false;
    done += read;
  }
  return true;
}

bool File::WriteAt(uint64_t position, const void* src, size_t count) {
  return Seek(position) && Write(src, count);
}

bool File::SetLength(uint64_t length) {
  return Seek(length) && SetEndOfFile(ToHandle(handle_)) != 0;
}

bool File::Flush() { return handle_ != kClosed && FlushFileBuffers(ToHandle(handle_)) != 0; }

bool IsReadOnly(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool ClearReadOnly(const std::string& path) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
  return SetFileAttributesW(WidePath(path).c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) != 0;
}

bool SetReadOnly(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         SetFileAttributesW(WidePath(path).c_str(), attributes | FILE_ATTRIBUTE_READONLY) != 0;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateDirectoryTree(const std::string& path) {
  std::wstring wide = WidePath(path);
  while (wide.size() > RootLength(wide) && IsSeparator(wide.back())) wide.pop_back();
  if (wide.empty()) return false;
  // Create each missing folder from the root down; a folder that already exists (or
  // that another process creates meanwhile) is fine.
  for (size_t i = RootLength(wide); i <= wide.size(); ++i) {
    if (i < wide.size() && !IsSeparator(wide[i])) continue;
    const std::wstring prefix = wide.substr(0, i);
    if (prefix.empty() || IsSeparator(prefix.back()) || IsFolder(prefix)) continue;
    if (!CreateDirectoryW(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
  }
  return IsFolder(wide);
}

namespace {

// A symbolic link or junction: a reparse point that stands for another name. Other
// reparse points (a cloud placeholder, a deduplicated file) are the entry itself.
bool IsNameSurrogate(DWORD attributes, DWORD reparseTag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(reparseTag);
}

}  // namespace

bool RemoveFile(const std::string& path) {
  const std::wstring wide = WidePath(path);
  if (DeleteFileW(wide.c_str())) return true;
  // A link that leads to a folder is a folder entry of its own: removing it as a folder
  // removes the link and leaves what it leads to alone.
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  const DWORD folderLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & folderLink) != folderLink) return false;
  WIN32_FIND_DATAW data{};
  HANDLE find = FindFirstFileW(wide.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         IsNameSurrogate(data.dwFileAttributes, data.dwReserved0) && RemoveDirectoryW(wide.c_str());
}

bool CopyFileReplacing(const std::string& source, const std::string& dest) {
  return CopyFileW(WidePath(source).c_str(), WidePath(dest).c_str(), FALSE) != 0;
}

bool RenameFile(const std::string& oldPath, const std::string& newPath) {
  return MoveFileW(WidePath(oldPath).c_str(), WidePath(newPath).c_str()) != 0;
}

bool RemoveFolder(const std::string& path) { return RemoveDirectoryW(WidePath(path).c_str()) != 0; }

std::vector<FolderEntry> ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  std::wstring pattern = WidePath(folder);
  if (pattern.empty()) return entries;
  if (!IsSeparator(pattern.back())) pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data{};
  // FindFirstFileW lists every entry whatever its attributes (hidden and system ones too).
  HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                          !IsNameSurrogate(data.dwFileAttributes, data.dwReserved0);
    // A name the code page cannot hold would come back with "?" in it, naming nothing;
    // its short name, when it has one, still reaches the entry.
    std::string text = win32::WideStringToAnsi(name);
    if (data.cAlternateFileName[0] != L'\0' && win32::AnsiToWideString(text) != name) {
      text = win32::WideStringToAnsi(data.cAlternateFileName);
    }
    entries.push_back({std::move(text), isFolder});
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return entries;
}

std::string TemporaryFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, path);
  if (length == 0 || length > MAX_PATH) return {};
  return win32::WideStringToAnsi(std::wstring_view(path, length));
}

}  // namespace setup::platform
