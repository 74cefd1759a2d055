#include "setupc/diff/build_tree.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "base/crc32.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "setupc/local_files.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace fs = std::filesystem;

namespace {

// The relative path in the code page, or a runtime_error.
std::string AnsiRelative(const fs::path& path, const fs::path& root) {
  const fs::path relative = path.lexically_relative(root);
  const std::string native = NativeString(relative);
  std::optional<std::string> name = ArgumentToAnsi(native);
#ifdef _WIN32
  const std::wstring wide = relative.wstring();
  if (!platform::WideToCodePage(std::u16string(wide.begin(), wide.end()))) name.reset();
#endif
  if (!name)
    throw std::runtime_error("the file name " + native + " has characters the code page cannot hold");
  std::replace(name->begin(), name->end(), '/', '\\');
  return *name;
}

void SortItems(std::vector<BuildItem>& items) {
  std::sort(items.begin(), items.end(), [](const BuildItem& a, const BuildItem& b) {
    return a.key != b.key ? a.key < b.key : a.path < b.path;
  });
}

}  // namespace

std::string LooseKey(std::string_view path) { return platform::AnsiLowerCase(path); }

std::string_view LastComponent(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

BuildTree WalkBuild(const fs::path& root) {
  std::error_code ec;
  if (!fs::is_directory(root, ec)) throw std::runtime_error(NativeString(root) + " is not a folder");
  BuildTree tree;
  fs::recursive_directory_iterator it(root, fs::directory_options::none, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code statusError;
    const fs::file_status status = it->symlink_status(statusError);
    if (statusError) throw std::runtime_error("cannot read " + NativeString(it->path()));
    if (status.type() != fs::file_type::directory && status.type() != fs::file_type::regular) continue;
    BuildItem item;
    item.path = AnsiRelative(it->path(), root);
    item.key = LooseKey(item.path);
    item.native = NativeString(it->path());
    item.file = it->path();
    if (status.type() == fs::file_type::directory) {
      tree.folders.push_back(std::move(item));
      continue;
    }
    item.size = it->file_size(statusError);
    if (statusError) throw std::runtime_error("cannot read " + item.native);
    tree.files.push_back(std::move(item));
  }
  if (ec) throw std::runtime_error("cannot read folder " + NativeString(root) + ": " + ec.message());
  SortItems(tree.files);
  SortItems(tree.folders);
  return tree;
}

FileSum SumFile(const std::string& native) {
  platform::File file;
  if (!file.Open(native, platform::OpenMode::ReadShared)) throw std::runtime_error("cannot read " + native);
  constexpr size_t kPiece = size_t{1} << 20;
  Bytes piece(kPiece);
  FileSum sum;
  for (;;) {
    const size_t n = file.Read(piece.data(), piece.size());
    if (n == 0) break;
    sum.crc = Crc32(ByteView(piece.data(), n), sum.crc);
    sum.size += n;
  }
  if (sum.size != file.Size()) throw std::runtime_error("cannot read " + native);
  return sum;
}

}  // namespace setup::setupc
