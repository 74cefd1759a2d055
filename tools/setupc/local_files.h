#pragma once
// Local files as compile finds them. Local paths are "native" text: the code page on
// Windows, UTF-8 elsewhere (what the command line gives and platform::File takes).
// Paths written in a script are code-page text with "\" or "/" between folders.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_io.h"

namespace setup::setupc {

std::filesystem::path FsPath(const std::string& native);
std::string NativeString(const std::filesystem::path& path);

// The folder part of a native path ("." when it has none).
std::string FolderOf(const std::string& native);
// The file-name part of a native path.
std::string FileNameOf(const std::string& native);

// part joined to the native folder base with the system's separator (none added when
// base is empty or already ends in one).
std::string JoinNativePath(std::string base, const std::string& part);

// A script path resolved against base (a native folder): an absolute path ("/x",
// "\x", "C:\x") stays as it is, any other is joined to base.
std::string ResolvePath(const std::string& base, std::string_view scriptPath);

enum class PathKind { Missing, File, Folder, Other };
PathKind KindOf(const std::string& native);
// The size of a regular file; nullopt when native names none.
// Creates folder and its missing parents one at a time, outermost first, calling
// made(path) for each one created (so that a caller can remove them again); false when
// one cannot be created.
bool CreateFolderChain(const std::string& folder, const std::function<void(const std::string&)>& made);

std::optional<uint64_t> RegularFileSize(const std::string& native);

// One file below a folder: its name relative to the folder as an entry name (code
// page, "\" between folders) and its local path.
struct FolderFile {
  std::string name;
  std::string path;
  uint64_t size = 0;
};

// Every file below folder, recursively, sorted by entry name (byte order), so the
// result is the same on every run and system. Empty error on success; else what went
// wrong (a name the code page cannot hold, an unreadable folder).
std::string ListFolderFiles(const std::string& folder, std::vector<FolderFile>& files);

// The whole content of a file; nullopt when it cannot be read.
std::optional<Bytes> ReadWholeFile(const std::string& native);

// Replaces to with from (same folder), atomically where the system can. Empty on
// success, else the reason.
std::string ReplaceFile(const std::string& from, const std::string& to);

}  // namespace setup::setupc
