#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <utility>

#include "platform/files.h"
#include "platform/posix/case_blind_posix.h"
#include "platform/posix/posix_controls.h"

namespace setup::platform {

namespace {
int Fd(intptr_t handle) { return static_cast<int>(handle); }

// The local path of every operation below: mapped into the sandbox, then found without
// regard to case when that is on (case_blind_posix.h).
std::string Local(const std::string& path) { return posix::ResolveCaseBlind(posix::MapPath(path)); }

std::atomic<uint64_t> writeCount{0};
std::atomic<uint64_t> failAt{0};
std::atomic<uint64_t> crashAt{0};

enum class WriteFate { Proceed, Fail, Crash };

// Counts one write and says what the test hooks make of it.
WriteFate NextWrite() {
  const uint64_t n = ++writeCount;
  if (failAt != 0 && n == failAt) return WriteFate::Fail;
  if (crashAt != 0 && n >= crashAt) return WriteFate::Crash;
  return WriteFate::Proceed;
}
}  // namespace

void posix::FailFileWritesAfter(uint64_t count) { failAt = count == 0 ? 0 : writeCount + count + 1; }
void posix::CrashInFileWriteAfter(uint64_t count) { crashAt = count == 0 ? 0 : writeCount + count + 1; }
uint64_t posix::FileWriteCount() { return writeCount; }

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

namespace {
thread_local bool lastOpenInUse = false;
// errno of the last failed open or write on this thread (0: none).
thread_local int lastFileErrno = 0;

// Operations on a file that tests have told to fail a number of times, by mapped path.
class CountedRefusals {
 public:
  void Set(const std::string& path, uint32_t times) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (times == 0) {
      left_.erase(posix::MapPath(path));
    } else {
      left_[posix::MapPath(path)] = times;
    }
  }
  // Takes one refusal for the mapped path; true when this operation must fail.
  bool Take(const std::string& local) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = left_.find(local);
    if (it == left_.end()) return false;
    if (--it->second == 0) left_.erase(it);
    return true;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, uint32_t> left_;
};

CountedRefusals heldOpens;        // files held by another program: their opens fail
CountedRefusals refusedRemovals;  // files that cannot be deleted
}  // namespace

void posix::HoldFileInUse(const std::string& path, uint32_t opens) { heldOpens.Set(path, opens); }
void posix::RefuseRemove(const std::string& path, uint32_t times) { refusedRemovals.Set(path, times); }

bool LastOpenFailedInUse() { return lastOpenInUse; }

std::string LastFileErrorText() {
  if (lastFileErrno == 0) return {};
  std::string text = std::strerror(lastFileErrno);
  return text + ".";
}

bool File::Open(const std::string& path, OpenMode mode) {
  Close();
  const std::string local = Local(path);
  lastOpenInUse = heldOpens.Take(local);
  if (lastOpenInUse) return false;
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::ReadShared: flags |= O_RDONLY; break;
    case OpenMode::ReadWriteExclusive: flags |= O_RDWR; break;
    case OpenMode::CreateAlways: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case OpenMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
    case OpenMode::ReadWriteShared: flags |= O_RDWR; break;
    case OpenMode::ReadWriteDenyWrite: flags |= O_RDWR; break;
  }
  // As on Windows, a file with the read-only attribute (no owner write permission)
  // cannot be opened for writing, not even by an administrator.
  struct stat existing {};
  if ((flags & (O_RDWR | O_WRONLY)) != 0 && ::stat(local.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
      (existing.st_mode & S_IWUSR) == 0) {
    lastFileErrno = EACCES;
    return false;
  }
  int fd;
  do {
    fd = ::open(local.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    lastFileErrno = errno;
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    lastFileErrno = S_ISDIR(st.st_mode) ? EISDIR : EACCES;
    ::close(fd);
    return false;
  }
  if ((flags & O_CREAT) != 0) posix::NoteEntryAdded(local);
  handle_ = fd;
  return true;
}

bool File::IsOpen() const { return handle_ >= 0; }

void File::Close() {
  if (handle_ >= 0) ::close(Fd(handle_));
  handle_ = -1;
}

uint64_t File::Size() const {
  struct stat st {};
  if (handle_ < 0 || ::fstat(Fd(handle_), &st) != 0) return 0;
  return static_cast<uint64_t>(st.st_size);
}

bool File::Seek(uint64_t position) {
  return handle_ >= 0 && ::lseek(Fd(handle_), static_cast<off_t>(position), SEEK_SET) >= 0;
}

bool File::SeekToEnd() { return handle_ >= 0 && ::lseek(Fd(handle_), 0, SEEK_END) >= 0; }

size_t File::Read(void* dest, size_t count) {
  if (handle_ < 0) return 0;
  size_t done = 0;
  auto* out = static_cast<char*>(dest);
  while (done < count) {
    ssize_t n = ::read(Fd(handle_), out + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

bool File::Write(const void* src, size_t count) {
  if (handle_ < 0) return false;
  const WriteFate fate = NextWrite();
  if (fate == WriteFate::Fail) {
    lastFileErrno = ENOSPC;  // a disk that filled up
    return false;
  }
  if (fate == WriteFate::Crash) {
    // Half the bytes reach the file; whether they all do does not matter any more.
    if (::write(Fd(handle_), src, count / 2) < 0) ::_exit(posix::kCrashExitCode);
    ::_exit(posix::kCrashExitCode);
  }
  size_t done = 0;
  const auto* in = static_cast<const char*>(src);
  while (done < count) {
    ssize_t n = ::write(Fd(handle_), in + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      lastFileErrno = n < 0 ? errno : EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool File::ReadAt(uint64_t position, void* dest, size_t count) {
  return Seek(position) && Read(dest, count) == count;
}

bool File::ReadAtShared(uint64_t position, void* dest, size_t count) const {
  if (handle_ < 0) return false;
  auto* out = static_cast<char*>(dest);
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(Fd(handle_), out + done, count - done, static_cast<off_t>(position + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool File::WriteAt(uint64_t position, const void* src, size_t count) {
  return Seek(position) && Write(src, count);
}

bool File::SetLength(uint64_t length) {
  if (handle_ < 0) return false;
  const WriteFate fate = NextWrite();
  if (fate == WriteFate::Fail) return false;
  if (fate == WriteFate::Crash) ::_exit(posix::kCrashExitCode);
  int rc;
  do {
    rc = ::ftruncate(Fd(handle_), static_cast<off_t>(length));
  } while (rc != 0 && errno == EINTR);
  return rc == 0 && Seek(length);
}

bool File::Flush() { return handle_ >= 0 && ::fsync(Fd(handle_)) == 0; }

// The read-only attribute is the owner's write permission bit.
bool IsReadOnly(const std::string& path) {
  struct stat st {};
  return ::stat(Local(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         (st.st_mode & S_IWUSR) == 0;
}

bool ClearReadOnly(const std::string& path) {
  const std::string local = Local(path);
  struct stat st {};
  if (::stat(local.c_str(), &st) != 0) return false;
  return (st.st_mode & S_IWUSR) != 0 || ::chmod(local.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool SetReadOnly(const std::string& path) {
  const std::string local = Local(path);
  struct stat st {};
  return ::stat(local.c_str(), &st) == 0 &&
         ::chmod(local.c_str(), (st.st_mode & 07777) & ~mode_t{S_IWUSR | S_IWGRP | S_IWOTH}) == 0;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(Local(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(Local(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDirectoryTree(const std::string& path) {
  std::error_code ec;
  const std::string local = Local(path);
  // The folders about to be created, so that each is noted in its parent's names.
  std::vector<std::string> created;
  if (posix::CaseBlindPaths()) {
    for (std::filesystem::path part = local; part.has_relative_path() && !std::filesystem::exists(part, ec);
         part = part.parent_path()) {
      created.push_back(part.string());
    }
  }
  std::filesystem::create_directories(local, ec);
  for (auto it = created.rbegin(); it != created.rend(); ++it) posix::NoteEntryAdded(*it);
  return std::filesystem::is_directory(local, ec);
}

bool RemoveFile(const std::string& path) {
  const std::string local = Local(path);
  if (refusedRemovals.Take(local) || ::unlink(local.c_str()) != 0) return false;
  posix::NoteEntryRemoved(local);
  return true;
}

bool CopyFileReplacing(const std::string& source, const std::string& dest) {
  std::error_code ec;
  const std::string from = Local(source);
  // Only a file is copied, as the system's copy does; a folder source fails.
  if (!std::filesystem::is_regular_file(from, ec)) return false;
  const std::string to = Local(dest);
  if (!std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec) || ec) {
    return false;
  }
  posix::NoteEntryAdded(to);
  return true;
}

bool RenameFile(const std::string& oldPath, const std::string& newPath) {
  const std::string from = Local(oldPath);
  const std::string to = Local(newPath);
  struct stat st {};
  // rename() would replace an existing file silently; the Windows move refuses instead.
  if (::lstat(to.c_str(), &st) == 0 || errno != ENOENT) return false;
  if (::rename(from.c_str(), to.c_str()) == 0) {
    posix::NoteEntryRemoved(from);
    posix::NoteEntryAdded(to);
    return true;
  }
  // Across file systems a file is moved as copy and delete, as the system's move does.
  if (errno != EXDEV || ::lstat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::error_code ec;
  if (!std::filesystem::copy_file(from, to, std::filesystem::copy_options::none, ec) || ec) {
    return false;
  }
  if (::unlink(from.c_str()) != 0) {
    ::unlink(to.c_str());
    return false;
  }
  posix::NoteEntryRemoved(from);
  posix::NoteEntryAdded(to);
  return true;
}

bool RemoveFolder(const std::string& path) {
  const std::string local = Local(path);
  if (::rmdir(local.c_str()) != 0) return false;
  posix::NoteEntryRemoved(local);
  return true;
}

std::vector<FolderEntry> ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  const std::string local = Local(folder);
  DIR* dir = ::opendir(local.c_str());
  if (dir == nullptr) return entries;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    // A symbolic link is listed as a file even when it leads to a folder: whoever walks
    // the tree removes the link and never descends into a folder outside it.
    bool isFolder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_UNKNOWN) {
      struct stat st {};
      isFolder = ::lstat((local + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    entries.push_back({name, isFolder});
  }
  ::closedir(dir);
  return entries;
}

namespace {
std::mutex temporaryMutex;
std::string& TemporarySetting() {
  static std::string folder = "C:\\Users\\User\\AppData\\Local\\Temp\\";
  return folder;
}
}  // namespace

std::string TemporaryFolder() {
  std::lock_guard<std::mutex> lock(temporaryMutex);
  return TemporarySetting();
}

void posix::SetTemporaryFolder(const std::string& path) {
  std::lock_guard<std::mutex> lock(temporaryMutex);
  TemporarySetting() = path;
}

}  // namespace setup::platform
