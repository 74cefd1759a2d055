#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <utility>

#include "platform/files.h"
#include "platform/posix/posix_controls.h"

namespace setup::platform {

namespace {
int Fd(intptr_t handle) { return static_cast<int>(handle); }
}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

bool File::Open(const std::string& path, OpenMode mode) {
  Close();
  const std::string local = posix::MapPath(path);
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::ReadShared: flags |= O_RDONLY; break;
    case OpenMode::ReadWriteExclusive: flags |= O_RDWR; break;
    case OpenMode::CreateExclusive: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  int fd;
  do {
    fd = ::open(local.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
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
  size_t done = 0;
  const auto* in = static_cast<const char*>(src);
  while (done < count) {
    ssize_t n = ::write(Fd(handle_), in + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(posix::MapPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(posix::MapPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDirectoryTree(const std::string& path) {
  std::error_code ec;
  const std::string local = posix::MapPath(path);
  std::filesystem::create_directories(local, ec);
  return std::filesystem::is_directory(local, ec);
}

bool RemoveFile(const std::string& path) { return ::unlink(posix::MapPath(path).c_str()) == 0; }

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
