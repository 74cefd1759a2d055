#include "vfs/vfs_hash_file.h"

#include <algorithm>

#include "base/byte_io.h"
#include "platform/files.h"
#include "vfs/vfs_file.h"

namespace setup {

std::string TVFSHashFile::IndexPath(const std::string& archivePath) {
  const size_t separator = archivePath.find_last_of("\\/");
  const size_t dot = archivePath.rfind('.');
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return archivePath + ".ht";
  return archivePath.substr(0, dot) + ".ht";
}

std::vector<TVFSHashRecord> TVFSHashFile::BuildRecords(std::vector<TVFSHashRecord> records) {
  std::erase_if(records, [](const TVFSHashRecord& r) { return r.Hash == 0; });
  // Stable: of files sharing a hash, the first in tree order is the one listed.
  std::stable_sort(records.begin(), records.end(),
                   [](const TVFSHashRecord& a, const TVFSHashRecord& b) { return a.Hash < b.Hash; });
  std::vector<TVFSHashRecord> out;
  out.reserve(records.size());
  for (const TVFSHashRecord& record : records) {
    if (!out.empty() && out.back().Hash == record.Hash) {
      out.back().Valid = 0;
    } else {
      out.push_back(record);
      out.back().Valid = 1;
    }
  }
  return out;
}

void TVFSHashFile::Clear() {
  loaded_ = false;
  records_.clear();
}

void TVFSHashFile::Load() {
  Clear();
  platform::File in;
  if (!in.Open(IndexPath(file_.Path()), platform::OpenMode::ReadShared)) return;
  const uint64_t size = in.Size();
  uint8_t countBytes[4];
  if (!in.ReadAt(0, countBytes, 4)) return;
  const uint32_t count = GetU32(countBytes);
  if (uint64_t{count} * kVfsHashRecordSize > size - 4) return;
  Bytes bytes(size_t{count} * kVfsHashRecordSize);
  if (!in.ReadAt(4, bytes.data(), bytes.size())) return;
  records_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = &bytes[i * kVfsHashRecordSize];
    records_[i] = TVFSHashRecord{GetU32(p), GetU32(p + 4), GetU32(p + 8), GetU32(p + 12), GetU32(p + 16), p[20]};
  }
  loaded_ = true;
}

void TVFSHashFile::Save() {
  const std::string path = IndexPath(file_.Path());
  if (file_.FullTree()) {
    std::vector<TVFSHashRecord> list;
    for (const TVFSTreeEntry& entry : file_.Tree().Entries()) {
      if (entry.Index < 0 || !entry.Node->IsFile()) continue;
      const TVFSNode& n = *entry.Node;
      list.push_back({PathHash(HashKeyOf(entry.Path)), n.Flags, n.StoredSize, n.UnpackedSize, n.FirstBlock, 1});
    }
    records_ = BuildRecords(std::move(list));
  } else if (!loaded_) {
    return;
  }
  if (records_.empty()) {
    platform::RemoveFile(path);
    return;
  }
  ByteWriter out;
  out.U32(static_cast<uint32_t>(records_.size()));
  for (const TVFSHashRecord& r : records_) {
    for (uint32_t value : {r.Hash, r.Flags, r.StoredSize, r.UnpackedSize, r.FirstBlock}) out.U32(value);
    out.Raw(ByteView(&r.Valid, 1));
  }
  const std::string temporary = path + ".new";
  platform::File file;
  if (!file.Open(temporary, platform::OpenMode::CreateAlways) ||
      !file.Write(out.bytes().data(), out.bytes().size()) || !file.Flush()) {
    throw VfsError("The index " + path + " could not be written.");
  }
  file.Close();
  platform::RemoveFile(path);
  if (!platform::RenameFile(temporary, path)) throw VfsError("The index " + path + " could not be written.");
}

}  // namespace setup
