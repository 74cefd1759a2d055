// TVFSTree's write path: PutFile, the chunked compression, the folder rewrites.

#include <algorithm>

#include "base/zlib_codec.h"
#include "platform/clock.h"
#include "vfs/vfs_file.h"
#include "vfs/vfs_tree.h"

namespace setup {

namespace {

// The path as the archive stores it: every component cut to the 65 characters a record
// holds. Lookups and new entries both go by it, so a long name finds what an earlier
// put of it created instead of missing it and creating (or failing on) another.
std::string StoredPath(const std::string& path) {
  std::string stored;
  stored.reserve(path.size());
  for (size_t start = 0;;) {
    const size_t end = std::min(path.find('\\', start), path.size());
    stored.append(path, start, std::min(end - start, kVfsNameSize));
    if (end == path.size()) return stored;
    stored += '\\';
    start = end + 1;
  }
}

}  // namespace

std::optional<Bytes> TVFSTree::InternalCompressFile(const uint8_t* data, uint32_t size) {
  Bytes out;
  for (uint32_t done = 0; done < size;) {
    const uint32_t n = std::min<uint32_t>(kVfsCompressChunk, size - done);
    Bytes chunk;
    try {
      chunk = CompressBest(ByteView(data + done, n));
    } catch (const SetupError& e) {
      throw VfsError(e.what());  // a failure of this archive operation like any other
    }
    if (out.size() + 4 + chunk.size() > size) return std::nullopt;
    if (chunk.empty()) throw VfsError("TVFSTree.InternalCompressFile: ACSize = 0");
    uint8_t length[4];
    PutU32(length, static_cast<uint32_t>(chunk.size()));
    out.insert(out.end(), length, length + 4);
    out.insert(out.end(), chunk.begin(), chunk.end());
    done += n;
  }
  return out;
}

// Whether the blocks and root slot that putting a file of storedSize bytes below parent
// (after creating missingFolders folders) takes, including what the folder rewrites it
// causes will take, are free. Raises VfsError naming the file when they are not.
void TVFSTree::CheckRoom(const std::string& path, int32_t parent, size_t missingFolders, uint64_t storedSize) {
  const uint32_t blockSize = file_.Header().BlockSize;
  int64_t need = static_cast<int64_t>(BlocksFor(storedSize, blockSize)) + static_cast<int64_t>(missingFolders);
  int64_t freed = 0;
  int32_t replaced = -1;
  if (missingFolders == 0) {
    const std::string name = path.substr(path.rfind('\\') + 1);
    replaced = FindChild(parent, name.substr(0, kVfsNameSize));
    if (replaced >= 0 && entries_[static_cast<size_t>(replaced)].Node->IsFile()) {
      freed = entries_[static_cast<size_t>(replaced)].ChainBlocks;
    }
  }
  // New folders hold one record each once rewritten, over the one block written now.
  need += static_cast<int64_t>(missingFolders) * std::max<int64_t>(0, int64_t(BlocksFor(kVfsRecordSize, blockSize)) - 1);
  for (int32_t folder = parent; folder >= 0; folder = entries_[static_cast<size_t>(folder)].Parent) {
    const TVFSTreeEntry& entry = entries_[static_cast<size_t>(folder)];
    const uint32_t gained = folder == parent && replaced < 0 ? 1 : 0;
    need += ReserveIf(entry, entry.LiveChildren + gained) - ReserveOf(entry);
  }
  if (need > int64_t{file_.FreeBlockCount()} + freed - reserved_) {
    throw VfsError("No free block is left for \"" + path + "\".");
  }
  if (parent < 0 && (replaced < 0 || missingFolders > 0)) {
    const auto& roots = file_.Roots();
    if (std::none_of(roots.begin(), roots.end(), [](const TVFSNode& n) { return n.Name.empty(); })) {
      throw VfsError("No free root slot is left for \"" + path + "\".");
    }
  }
}

void TVFSTree::PutFile(const std::string& givenPath, const uint8_t* data, uint32_t size) {
  if (data == nullptr && size > 0) throw VfsError("PutFile: the content is missing");
  const std::string path = StoredPath(givenPath);
  const size_t lastSeparator = path.rfind('\\');
  const std::string fileName = lastSeparator == std::string::npos ? path : path.substr(lastSeparator + 1);
  if (fileName.empty()) throw VfsError("\"" + givenPath + "\" names no file.");
  // Only a path holding both a "." and a "\" (as given) is put below a folder.
  std::string folderPart;
  if (lastSeparator != std::string::npos && givenPath.find('.') != std::string::npos) {
    folderPart = path.substr(0, lastSeparator);
  }

  // The deepest folder that exists, and the components still missing below it.
  int32_t parent = -1;
  std::string probe = folderPart;
  while (!probe.empty()) {
    const int32_t found = FindByPath(probe);
    if (found >= 0 && entries_[static_cast<size_t>(found)].Node->IsFolder()) {
      parent = found;
      break;
    }
    while (!probe.empty() && probe.back() == '\\') probe.pop_back();
    const size_t cut = probe.rfind('\\');
    probe.resize(cut == std::string::npos ? 0 : cut);
  }
  std::vector<std::string> missing;
  const size_t known = parent < 0 ? 0 : entries_[static_cast<size_t>(parent)].Path.size() + 1;
  for (size_t start = known; start < folderPart.size();) {
    size_t end = folderPart.find('\\', start);
    if (end == std::string::npos) end = folderPart.size();
    if (end > start) missing.push_back(folderPart.substr(start, end - start));
    start = end + 1;
  }
  std::string checkPath = parent < 0 ? std::string() : entries_[static_cast<size_t>(parent)].Path;
  for (const std::string& component : missing) {
    checkPath = checkPath.empty() ? component : checkPath + "\\" + component;
    if (FindByPath(checkPath) >= 0) throw VfsError("\"" + checkPath + "\" is a file, not a folder.");
  }

  const std::optional<Bytes> chunks = size > 0 ? InternalCompressFile(data, size) : std::nullopt;
  CheckRoom(givenPath, parent, missing.size(), chunks ? chunks->size() : size);

  for (const std::string& component : missing) {
    parent = CreateNewFileDir(parent, component, 0, 0, 0, 0, /*writeNow=*/true, kVfsFlagFolder);
  }
  const int32_t existing = FindChild(parent, fileName);
  if (existing >= 0) DeleteEntry(existing, /*nested=*/true);
  const int32_t index = CreateNewFileDir(parent, fileName, 0, 0, 0, 0, /*writeNow=*/false, kVfsFlagFile);

  TVFSTreeEntry& entry = entries_[static_cast<size_t>(index)];
  TVFSNode& node = *entry.Node;
  node.Time = platform::LocalDosDateTime();
  node.UnpackedSize = size;
  if (chunks) {
    node.Flags |= kVfsFlagCompressed;
    file_.WriteFile(node, chunks->data(), static_cast<uint32_t>(chunks->size()));
  } else {
    node.UnpackedSize = 0;
    file_.WriteFile(node, size > 0 ? data : nullptr, size);
  }
  entry.ChainBlocks = static_cast<uint32_t>(BlocksFor(node.StoredSize, file_.Header().BlockSize));
  RecordEntry(index);
}

void TVFSTree::RewriteFolder(int32_t index) {
  Bytes content;
  {
    const TVFSTreeEntry& entry = entries_[static_cast<size_t>(index)];
    content.reserve(size_t{entry.LiveChildren} * kVfsRecordSize);
    for (int32_t child : entry.Children) {
      if (child < 0) continue;
      const auto record = EncodeRecord(*entries_[static_cast<size_t>(child)].Node);
      content.insert(content.end(), record.begin(), record.end());
    }
  }
  SetDirty(index, false);
  TVFSTreeEntry& entry = entries_[static_cast<size_t>(index)];
  TVFSNode& node = *entry.Node;
  const auto size = static_cast<uint32_t>(content.size());
  if (size == node.StoredSize) {
    // The same length: over the same blocks, and nothing else changes.
    file_.RewriteFile(node, content.data(), size);
    return;
  }
  file_.FreeChain(node);
  entry.ChainBlocks = 0;
  file_.WriteFile(node, size > 0 ? content.data() : nullptr, size);
  entry.ChainBlocks = static_cast<uint32_t>(BlocksFor(size, file_.Header().BlockSize));
  RecordEntry(index);
}

void TVFSTree::WriteDirtyFolders() {
  while (!dirty_.empty()) RewriteFolder(dirty_.begin()->second);
}

}  // namespace setup
