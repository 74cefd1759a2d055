#include "setupc/apply_scan.h"

#include <fstream>

#include "base/crc32.h"
#include "package/kzp_format.h"
#include "platform/files.h"
#include "vfs/vfs_file.h"

namespace setup::setupc {

namespace fs = std::filesystem;

namespace {

std::string LowerExtension(const fs::path& file) {
  std::string extension = file.extension().string();
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

// Size and CRC-32, read in pieces.
bool Measure(const fs::path& file, ScannedFile& scanned) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::vector<uint8_t> piece(1 << 16);
  uint32_t crc = 0;
  uint64_t size = 0;
  while (in) {
    in.read(reinterpret_cast<char*>(piece.data()), static_cast<std::streamsize>(piece.size()));
    const auto count = static_cast<size_t>(in.gcount());
    if (count == 0) break;
    crc = Crc32(ByteView(piece.data(), count), crc);
    size += count;
  }
  scanned.size = size;
  scanned.crc = crc;
  return true;
}

std::optional<uint64_t> KzpRecordCount(const std::string& path) {
  platform::File file;
  if (!file.Open(path, platform::OpenMode::ReadShared)) return std::nullopt;
  TKzpLayout layout;
  std::string reason;
  if (!ReadKzpLayout(file, layout, reason)) return std::nullopt;
  return layout.Records.size();
}

std::optional<uint64_t> VfsFileCount(const std::string& path) {
  TVFSFile archive;
  if (!archive.Open(path, /*fullTree=*/true, {}, /*writable=*/false)) return std::nullopt;
  uint64_t files = 0;
  for (const TVFSTreeEntry& entry : archive.Tree().Entries()) {
    if (entry.Index >= 0 && entry.Node != nullptr && entry.Node->IsFile()) ++files;
  }
  return files;
}

}  // namespace

std::map<std::string, ScannedFile> ScanFolder(const fs::path& folder) {
  std::map<std::string, ScannedFile> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    ScannedFile scanned;
    if (!Measure(it->path(), scanned)) continue;
    const std::string extension = LowerExtension(it->path());
    if (extension == ".kzp") {
      scanned.archiveKind = "KZP";
      scanned.entries = KzpRecordCount(it->path().string());
    } else if (extension == ".vfs") {
      scanned.archiveKind = "VFS";
      scanned.entries = VfsFileCount(it->path().string());
    }
    files.emplace(fs::relative(it->path(), folder, ec).generic_string(), std::move(scanned));
  }
  return files;
}

std::vector<ScanChange> CompareScans(const std::map<std::string, ScannedFile>& before,
                                     const std::map<std::string, ScannedFile>& after) {
  std::vector<ScanChange> changes;
  auto b = before.begin();
  auto a = after.begin();
  while (b != before.end() || a != after.end()) {
    // The side a change lacks stays default-constructed (an aggregate's "{}" there makes
    // GCC 12 at -O3 warn that its string may be used uninitialised).
    if (a == after.end() || (b != before.end() && b->first < a->first)) {
      ScanChange& change = changes.emplace_back();
      change.path = b->first;
      change.kind = ScanChange::Kind::Deleted;
      change.before = b->second;
      ++b;
    } else if (b == before.end() || a->first < b->first) {
      ScanChange& change = changes.emplace_back();
      change.path = a->first;
      change.after = a->second;
      ++a;
    } else {
      if (a->second.size != b->second.size || a->second.crc != b->second.crc) {
        changes.push_back({a->first, ScanChange::Kind::Changed, b->second, a->second});
      }
      ++a;
      ++b;
    }
  }
  return changes;
}

}  // namespace setup::setupc
