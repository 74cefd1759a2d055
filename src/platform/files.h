#pragma once
// File services. Paths are Windows-style text in the system code page ("C:\a\b.txt").
// The Windows build uses them as they are; the posix build maps a drive path into a
// sandbox root (see posix/posix_controls.h) and uses any other path as a local one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace setup::platform {

enum class OpenMode {
  ReadShared,          // read; others may read and write (a running program opens itself)
  ReadWriteExclusive,  // read and write an existing file; no sharing
  CreateAlways,        // create or truncate, read and write; no sharing
  CreateNew,           // create a file that must not exist yet, read and write; no sharing
  ReadWriteShared,     // read and write an existing file; others may read and write
  ReadWriteDenyWrite,  // read and write an existing file; others may read, but not write
};

// An open file; closes itself. Move-only.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool Open(const std::string& path, OpenMode mode);
  bool IsOpen() const;
  void Close();

  // Current length of the file; 0 when it cannot be read.
  uint64_t Size() const;
  bool Seek(uint64_t position);
  bool SeekToEnd();
  // Reads up to count bytes at the current position; returns how many were read.
  size_t Read(void* dest, size_t count);
  // Writes all count bytes or returns false.
  bool Write(const void* src, size_t count);
  // Reads exactly count bytes at position; false when fewer could be read.
  bool ReadAt(uint64_t position, void* dest, size_t count);
  // The same without relying on the file position, so that several threads may read
  // one open file at once (a package verified on every processor, the next entry
  // inflated while the previous one is written). The position afterwards is unspecified.
  bool ReadAtShared(uint64_t position, void* dest, size_t count) const;
  // Writes all count bytes at position; false when fewer could be written.
  bool WriteAt(uint64_t position, const void* src, size_t count);
  // Sets the file's length (cuts it, or extends it with zero bytes); the position is
  // left at the new end.
  bool SetLength(uint64_t length);
  // Waits until everything written so far has reached the disk.
  bool Flush();

 private:
  intptr_t handle_ = -1;
};

// True when the last File::Open on this thread failed because another program holds
// the file open without sharing it (or has locked a part of it): trying again later
// may succeed.
bool LastOpenFailedInUse();
// The system's reason why the last File::Open or File::Write on this thread failed, as
// a sentence ("Access is denied."); empty when none was recorded.
std::string LastFileErrorText();

// True when path names an existing file (not a folder).
bool FileExists(const std::string& path);
// True when path names an existing folder.
bool DirectoryExists(const std::string& path);
// Creates the folder and every missing parent; true when the folder exists afterwards.
bool CreateDirectoryTree(const std::string& path);
// Deletes a file; a symbolic link or junction that leads to a folder is removed itself
// (never what it leads to).
bool RemoveFile(const std::string& path);
// Copies source over dest (an existing dest is replaced); false when it fails.
bool CopyFileReplacing(const std::string& source, const std::string& dest);
// Renames or moves a file; false when it fails (also when newPath already exists).
bool RenameFile(const std::string& oldPath, const std::string& newPath);
// True when the file exists and carries the read-only attribute.
bool IsReadOnly(const std::string& path);
// Clears the read-only attribute and keeps the others; true when the file is writable
// afterwards as far as its attributes go.
bool ClearReadOnly(const std::string& path);
// Sets the read-only attribute (tests and tools make read-only archives with it).
bool SetReadOnly(const std::string& path);
// Removes a folder that is empty; false when it is absent, not empty or locked.
bool RemoveFolder(const std::string& path);

// One entry of a folder listing.
struct FolderEntry {
  std::string name;  // the entry's own name, without the folder
  // True for a real folder. A symbolic link or junction that leads to a folder counts as
  // a file, so that a walk over the tree never descends into a folder outside it;
  // RemoveFile removes such a link.
  bool isFolder = false;
};
// The entries of a folder, "." and ".." left out, whatever their attributes (hidden,
// system and read-only entries included), in the order the system lists them. Empty
// when the folder is absent or cannot be listed.
std::vector<FolderEntry> ListFolder(const std::string& folder);

// The folder for temporary files as the system reports it, ending in "\"
// ("C:\Users\User\AppData\Local\Temp\"); the folder need not exist. Empty when the
// system gives none. The posix build answers with a settable path (posix_controls.h).
std::string TemporaryFolder();

}  // namespace setup::platform
