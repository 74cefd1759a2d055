// DiffTrees: the two build folders walked and matched by lower-cased path; loose files
// compared by size and CRC-32, packages and archives that both builds hold entry by
// entry (archive_diff.cpp).

#include "setupc/diff/tree_diff.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "setupc/diff/archive_diff.h"
#include "setupc/diff/archive_reader.h"
#include "setupc/diff/build_tree.h"
#include "vfs/vfs_hash_file.h"

namespace setup::setupc {

namespace {

constexpr const char* kCaseChanged = "letter case changed";

// The files of both builds matched by key.
struct FilePair {
  const BuildItem* oldItem = nullptr;
  const BuildItem* newItem = nullptr;
};

class TreeComparison {
 public:
  TreeComparison(const std::filesystem::path& oldRoot, const std::filesystem::path& newRoot)
      : old_(WalkBuild(oldRoot)), new_(WalkBuild(newRoot)) {}

  TreeDiff Run();

 private:
  void MatchFiles();
  void CompareFolders();
  // A file both builds hold that is no VFS archive in both.
  void ComparePair(const FilePair& pair);
  void CompareVfs(const FilePair& pair, const FileSum& oldSum, const FileSum& newSum);
  bool CompareKzp(const FilePair& pair, const FileSum& oldSum, const FileSum& newSum);
  void AddLoose(ChangeKind kind, const BuildItem* oldItem, const BuildItem* newItem, std::optional<FileSum> oldSum,
                std::optional<FileSum> newSum, std::optional<FileFormat> format = std::nullopt);
  static FileFormat FormatOf(const BuildItem& item);
  void Finish();

  BuildTree old_, new_;
  std::vector<FilePair> pairs_;  // both, added (oldItem null), removed (newItem null)
  std::unordered_set<std::string> indexKeys_;  // ".ht" files of archives VFS in both
  TreeDiff diff_;
};

void TreeComparison::MatchFiles() {
  std::unordered_map<std::string, const BuildItem*> oldByKey;
  oldByKey.reserve(old_.files.size());
  for (const BuildItem& item : old_.files) oldByKey.emplace(item.key, &item);
  std::unordered_set<std::string> newKeys;
  newKeys.reserve(new_.files.size());
  for (const BuildItem& item : new_.files) {
    if (!newKeys.insert(item.key).second) {
      // Only on a system that tells letter case apart: Windows holds one of them.
      diff_.Inexpressibles.push_back({item.path, "", "another file's name differs from it only in letter case"});
      continue;
    }
    const auto found = oldByKey.find(item.key);
    pairs_.push_back({found == oldByKey.end() ? nullptr : found->second, &item});
  }
  for (const auto& [key, item] : oldByKey) {
    if (newKeys.count(key) == 0) pairs_.push_back({item, nullptr});
  }
}

void TreeComparison::CompareFolders() {
  std::unordered_map<std::string, const BuildItem*> oldByKey;
  for (const BuildItem& item : old_.folders) oldByKey.emplace(item.key, &item);
  std::unordered_set<std::string> newKeys;
  for (const BuildItem& item : new_.folders) {
    if (!newKeys.insert(item.key).second) continue;
    const auto found = oldByKey.find(item.key);
    if (found == oldByKey.end()) {
      diff_.AddedFolders.push_back(item.path);
    } else if (LastComponent(found->second->path) != LastComponent(item.path)) {
      diff_.Inexpressibles.push_back({item.path, "", kCaseChanged});
    }
  }
  for (const BuildItem& item : old_.folders) {
    if (newKeys.count(item.key) == 0) diff_.RemovedFolders.push_back(item.path);
  }
  diff_.RemovedFolders.erase(std::unique(diff_.RemovedFolders.begin(), diff_.RemovedFolders.end(),
                                         [](const std::string& a, const std::string& b) {
                                           return LooseKey(a) == LooseKey(b);
                                         }),
                             diff_.RemovedFolders.end());
}

FileFormat TreeComparison::FormatOf(const BuildItem& item) {
  std::string reason;
  if (KzpReader::Open(item.file, reason)) return FileFormat::Kzp;
  if (LooksLikeVfs(item.file)) return FileFormat::Vfs;
  return FileFormat::Plain;
}

void TreeComparison::AddLoose(ChangeKind kind, const BuildItem* oldItem, const BuildItem* newItem,
                              std::optional<FileSum> oldSum, std::optional<FileSum> newSum,
                              std::optional<FileFormat> format) {
  FileChange change;
  change.Kind = kind;
  const BuildItem& named = newItem != nullptr ? *newItem : *oldItem;
  change.Path = named.path;
  change.Format = format ? *format : FormatOf(named);
  if (oldItem != nullptr) {
    if (!oldSum) oldSum = SumFile(oldItem->native);
    change.OldSize = oldSum->size;
    change.OldCrc = oldSum->crc;
  }
  if (newItem != nullptr) {
    if (!newSum) newSum = SumFile(newItem->native);
    change.NewSize = newSum->size;
    change.NewCrc = newSum->crc;
  }
  diff_.Files.push_back(std::move(change));
}

void TreeComparison::CompareVfs(const FilePair& pair, const FileSum& oldSum, const FileSum& newSum) {
  std::string oldReason, newReason;
  std::unique_ptr<VfsReader> oldArchive = VfsReader::Open(pair.oldItem->file, oldReason);
  std::unique_ptr<VfsReader> newArchive = VfsReader::Open(pair.newItem->file, newReason);
  const std::string& path = pair.newItem->path;
  if (!oldArchive || !newArchive) {
    // Headers of an archive on both sides, one of them damaged: compared whole.
    AddLoose(ChangeKind::Changed, pair.oldItem, pair.newItem, oldSum, newSum, FileFormat::Vfs);
    diff_.Inexpressibles.push_back(
        {path, "", "damaged VFS archive in " + std::string(oldArchive ? "NEW: " : "OLD: ") +
                       (oldArchive ? newReason : oldReason) + "; compared as a whole file"});
    return;
  }
  VfsDiff archive;
  archive.Path = path;
  archive.OldFileSize = oldSum.size;
  archive.OldFileCrc = oldSum.crc;
  archive.NewFileCrc = newSum.crc;
  std::vector<Inexpressible> notes;
  std::string damage;
  if (!DiffVfsFiles(*oldArchive, *newArchive, archive, notes, damage)) {
    AddLoose(ChangeKind::Changed, pair.oldItem, pair.newItem, oldSum, newSum, FileFormat::Vfs);
    diff_.Inexpressibles.push_back({path, "", "damaged VFS archive (" + damage + "); compared as a whole file"});
    return;
  }
  // Compared inside: the ".ht" indexes go with the archive.
  indexKeys_.insert(LooseKey(TVFSHashFile::IndexPath(pair.oldItem->path)));
  indexKeys_.insert(LooseKey(TVFSHashFile::IndexPath(path)));
  if (!archive.Empty()) diff_.Archives.push_back(std::move(archive));
  diff_.Inexpressibles.insert(diff_.Inexpressibles.end(), notes.begin(), notes.end());
}

bool TreeComparison::CompareKzp(const FilePair& pair, const FileSum& oldSum, const FileSum& newSum) {
  std::string reason;
  std::unique_ptr<KzpReader> oldPackage = KzpReader::Open(pair.oldItem->file, reason);
  if (!oldPackage) return false;
  std::unique_ptr<KzpReader> newPackage = KzpReader::Open(pair.newItem->file, reason);
  if (!newPackage) return false;
  const std::string& path = pair.newItem->path;
  KzpDiff package;
  package.Path = path;
  package.OldFileSize = oldSum.size;
  package.OldFileCrc = oldSum.crc;
  package.NewFileCrc = newSum.crc;
  std::vector<Inexpressible> notes;
  std::string damage;
  if (!DiffKzpEntries(*oldPackage, *newPackage, package, notes, damage)) {
    AddLoose(ChangeKind::Changed, pair.oldItem, pair.newItem, oldSum, newSum, FileFormat::Kzp);
    diff_.Inexpressibles.push_back({path, "", "damaged KZP package (" + damage + "); compared as a whole file"});
    return true;
  }
  if (!package.Empty()) diff_.Packages.push_back(std::move(package));
  diff_.Inexpressibles.insert(diff_.Inexpressibles.end(), notes.begin(), notes.end());
  return true;
}

void TreeComparison::ComparePair(const FilePair& pair) {
  const BuildItem& o = *pair.oldItem;
  const BuildItem& n = *pair.newItem;
  if (LastComponent(o.path) != LastComponent(n.path)) diff_.Inexpressibles.push_back({n.path, "", kCaseChanged});
  const FileSum oldSum = SumFile(o.native);
  const FileSum newSum = SumFile(n.native);
  if (oldSum.size == newSum.size && oldSum.crc == newSum.crc) return;
  if (CompareKzp(pair, oldSum, newSum)) return;
  AddLoose(ChangeKind::Changed, &o, &n, oldSum, newSum);
}

void TreeComparison::Finish() {
  const auto byPath = [](const std::string& a, const std::string& b) {
    const std::string ka = LooseKey(a), kb = LooseKey(b);
    return ka != kb ? ka < kb : a < b;
  };
  std::sort(diff_.Files.begin(), diff_.Files.end(),
            [&](const FileChange& a, const FileChange& b) { return byPath(a.Path, b.Path); });
  std::sort(diff_.AddedFolders.begin(), diff_.AddedFolders.end(), byPath);
  std::sort(diff_.RemovedFolders.begin(), diff_.RemovedFolders.end(), byPath);
  std::sort(diff_.Packages.begin(), diff_.Packages.end(),
            [&](const KzpDiff& a, const KzpDiff& b) { return byPath(a.Path, b.Path); });
  std::sort(diff_.Archives.begin(), diff_.Archives.end(),
            [&](const VfsDiff& a, const VfsDiff& b) { return byPath(a.Path, b.Path); });
  // Stable: an archive's own findings keep their order (by entry name).
  std::stable_sort(diff_.Inexpressibles.begin(), diff_.Inexpressibles.end(),
                   [&](const Inexpressible& a, const Inexpressible& b) {
                     if (LooseKey(a.Path) != LooseKey(b.Path)) return byPath(a.Path, b.Path);
                     return a.Entry.empty() && !b.Entry.empty();
                   });
}

TreeDiff TreeComparison::Run() {
  MatchFiles();
  CompareFolders();
  // Archives VFS in both first: their ".ht" indexes are no loose files then.
  std::vector<bool> done(pairs_.size(), false);
  for (size_t i = 0; i < pairs_.size(); ++i) {
    const FilePair& pair = pairs_[i];
    if (pair.oldItem == nullptr || pair.newItem == nullptr) continue;
    if (!LooksLikeVfs(pair.oldItem->file) || !LooksLikeVfs(pair.newItem->file)) continue;
    done[i] = true;
    if (LastComponent(pair.oldItem->path) != LastComponent(pair.newItem->path)) {
      diff_.Inexpressibles.push_back({pair.newItem->path, "", kCaseChanged});
    }
    const FileSum oldSum = SumFile(pair.oldItem->native);
    const FileSum newSum = SumFile(pair.newItem->native);
    if (oldSum.size == newSum.size && oldSum.crc == newSum.crc) {
      indexKeys_.insert(LooseKey(TVFSHashFile::IndexPath(pair.oldItem->path)));
      indexKeys_.insert(LooseKey(TVFSHashFile::IndexPath(pair.newItem->path)));
      continue;
    }
    CompareVfs(pair, oldSum, newSum);
  }
  for (size_t i = 0; i < pairs_.size(); ++i) {
    if (done[i]) continue;
    const FilePair& pair = pairs_[i];
    const BuildItem& named = pair.newItem != nullptr ? *pair.newItem : *pair.oldItem;
    if (indexKeys_.count(named.key) != 0) continue;
    if (pair.oldItem == nullptr) {
      AddLoose(ChangeKind::Added, nullptr, pair.newItem, std::nullopt, std::nullopt);
    } else if (pair.newItem == nullptr) {
      AddLoose(ChangeKind::Removed, pair.oldItem, nullptr, std::nullopt, std::nullopt);
    } else {
      ComparePair(pair);
    }
  }
  Finish();
  return std::move(diff_);
}

}  // namespace

const char* ChangeKindName(ChangeKind kind) {
  switch (kind) {
    case ChangeKind::Added: return "added";
    case ChangeKind::Removed: return "removed";
    case ChangeKind::Changed: break;
  }
  return "changed";
}

bool KzpDiff::Empty() const {
  return Entries.empty() && SharedNames.empty() && OldOfficial == NewOfficial && OldPassword == NewPassword;
}

bool VfsDiff::Empty() const { return Files.empty(); }

bool TreeDiff::Empty() const {
  return Files.empty() && AddedFolders.empty() && RemovedFolders.empty() && Packages.empty() && Archives.empty() &&
         Inexpressibles.empty();
}

TreeDiff DiffTrees(const std::filesystem::path& oldRoot, const std::filesystem::path& newRoot) {
  return TreeComparison(oldRoot, newRoot).Run();
}

}  // namespace setup::setupc
