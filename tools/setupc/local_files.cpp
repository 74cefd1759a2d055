#include "setupc/local_files.h"

#include <algorithm>
#include <cctype>

#include "platform/codepage.h"
#include "platform/files.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAbsolute(std::string_view path) {
  if (!path.empty() && IsSeparator(path[0])) return true;
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

}  // namespace

#ifdef _WIN32
fs::path FsPath(const std::string& native) {
  const std::u16string wide = platform::AnsiToWide(native);
  return fs::path(std::wstring(wide.begin(), wide.end()));
}

std::string NativeString(const fs::path& path) {
  const std::wstring wide = path.wstring();
  return platform::WideToAnsi(std::u16string(wide.begin(), wide.end()));
}
#else
fs::path FsPath(const std::string& native) {
  std::string local = native;
  std::replace(local.begin(), local.end(), '\\', '/');
  return fs::path(local);
}

std::string NativeString(const fs::path& path) { return path.string(); }
#endif

std::string FolderOf(const std::string& native) {
  const size_t slash = native.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  if (slash == 0) return native.substr(0, 1);
  return native.substr(0, slash);
}

std::string FileNameOf(const std::string& native) {
  const size_t slash = native.find_last_of("/\\");
  return slash == std::string::npos ? native : native.substr(slash + 1);
}

std::string ResolvePath(const std::string& base, std::string_view scriptPath) {
  std::string path = AnsiToNative(scriptPath);
  for (char& c : path) {
    if (IsSeparator(c)) c = kSeparator;
  }
  if (IsAbsolute(path) || base.empty() || base == ".") return path;
  return JoinNativePath(base, path);
}

std::string JoinNativePath(std::string base, const std::string& part) {
  if (!base.empty() && !IsSeparator(base.back())) base += kSeparator;
  return base + part;
}

PathKind KindOf(const std::string& native) {
  std::error_code ec;
  const fs::file_status status = fs::status(FsPath(native), ec);
  if (ec || status.type() == fs::file_type::not_found) return PathKind::Missing;
  if (status.type() == fs::file_type::regular) return PathKind::File;
  if (status.type() == fs::file_type::directory) return PathKind::Folder;
  return PathKind::Other;
}

std::optional<uint64_t> RegularFileSize(const std::string& native) {
  std::error_code ec;
  const fs::path path = FsPath(native);
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  const uint64_t size = fs::file_size(path, ec);
  if (ec) return std::nullopt;
  return size;
}

std::string ListFolderFiles(const std::string& folder, std::vector<FolderFile>& files) {
  files.clear();
  const fs::path root = FsPath(folder);
  std::error_code ec;
  fs::recursive_directory_iterator it(root, fs::directory_options::none, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code statusError;
    if (!it->is_regular_file(statusError)) continue;
    const std::string relative = NativeString(it->path().lexically_relative(root));
    std::optional<std::string> name = ArgumentToAnsi(relative);
#ifdef _WIN32
    // The native text carries a character the code page lacks as an escape; an entry
    // name must hold the code page's own characters.
    const std::wstring wide = it->path().lexically_relative(root).wstring();
    if (!platform::WideToCodePage(std::u16string(wide.begin(), wide.end()))) name.reset();
#endif
    if (!name) return "the file name " + relative + " has characters the code page cannot hold";
    std::replace(name->begin(), name->end(), '/', '\\');
    FolderFile file{std::move(*name), NativeString(it->path()), it->file_size(statusError)};
    if (statusError) return "cannot read " + file.path;
    files.push_back(std::move(file));
  }
  if (ec) return "cannot read folder " + folder + ": " + ec.message();
  std::sort(files.begin(), files.end(),
            [](const FolderFile& a, const FolderFile& b) { return a.name < b.name; });
  return {};
}

std::optional<Bytes> ReadWholeFile(const std::string& native) {
  platform::File file;
  if (!file.Open(native, platform::OpenMode::ReadShared)) return std::nullopt;
  Bytes content(static_cast<size_t>(file.Size()));
  if (file.Read(content.data(), content.size()) != content.size()) return std::nullopt;
  return content;
}

std::string ReplaceFile(const std::string& from, const std::string& to) {
  // On Windows the library moves with "replace existing"; on posix it is rename(2).
  std::error_code ec;
  fs::rename(FsPath(from), FsPath(to), ec);
  return ec ? "cannot rename " + from + " to " + to + ": " + ec.message() : std::string();
}

bool CreateFolderChain(const std::string& folder, const std::function<void(const std::string&)>& made) {
  std::vector<std::string> missing;
  for (std::filesystem::path path = FsPath(folder); !path.empty(); path = path.parent_path()) {
    const std::string native = NativeString(path);
    if (platform::DirectoryExists(native)) break;
    missing.push_back(native);
    if (path == path.parent_path()) break;
  }
  for (auto path = missing.rbegin(); path != missing.rend(); ++path) {
    if (!platform::CreateDirectoryTree(*path)) return false;
    made(*path);
  }
  return true;
}

}  // namespace setup::setupc
