// KZP records matched by lower-cased name, VFS files by lower-cased path; contents
// compared, never positions, times or encodings.

#include "setupc/diff/archive_diff.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

#include "base/crc32.h"
#include "platform/codepage.h"
#include "vfs/vfs_format.h"

namespace setup::setupc {

namespace {

constexpr const char* kCaseChanged = "letter case changed";
constexpr const char* kRemoved = "entry removed";
constexpr const char* kCaseTwin =
    "another name differs from it only in letter case; left out of the comparison";

// Names matched by key: the positions in key order (names of one key that follow the
// first are twins: the comparison skips them), and key -> position of the first.
struct KeyedNames {
  struct Item {
    std::string key;
    size_t index = 0;
    bool twin = false;
  };
  std::vector<Item> sorted;
  std::unordered_map<std::string, size_t> first;
};

KeyedNames IndexNames(size_t count, const std::function<const std::string&(size_t)>& name,
                      const std::function<std::string(const std::string&)>& fold) {
  KeyedNames names;
  names.sorted.reserve(count);
  for (size_t i = 0; i < count; ++i) names.sorted.push_back({fold(name(i)), i, false});
  std::sort(names.sorted.begin(), names.sorted.end(),
            [&](const KeyedNames::Item& a, const KeyedNames::Item& b) {
              if (a.key != b.key) return a.key < b.key;
              return name(a.index) != name(b.index) ? name(a.index) < name(b.index) : a.index < b.index;
            });
  names.first.reserve(count);
  for (KeyedNames::Item& item : names.sorted) item.twin = !names.first.emplace(item.key, item.index).second;
  return names;
}

Inexpressible Note(const std::string& path, const std::string& entry, const std::string& reason) {
  return Inexpressible{path, entry, reason};
}

// CRC-32 of a record's content as the diff compares it: a data block inflated, a sound
// block as stored.
bool ContentCrc(KzpReader& package, const TKzpRecord& record, uint32_t& crc, std::string& damage) {
  std::string reason;
  const std::optional<Bytes> content = package.ReadContent(record, reason);
  if (!content) {
    damage = record.Name + ": " + reason;
    return false;
  }
  crc = Crc32(*content);
  return true;
}

uint64_t BlockKey(const TKzpRecord& record) { return (uint64_t{record.Offset} << 32) | record.StoredLength; }

void FindSharedNames(const std::vector<TKzpRecord>& oldRecords, const KeyedNames& oldNames,
                     const std::vector<TKzpRecord>& newRecords, const KeyedNames& newNames, KzpDiff& diff) {
  std::unordered_map<uint64_t, std::vector<const KeyedNames::Item*>> blocks;
  for (const KeyedNames::Item& item : newNames.sorted) {
    const TKzpRecord& record = newRecords[item.index];
    if (!item.twin && record.StoredLength > 0) blocks[BlockKey(record)].push_back(&item);
  }
  for (auto& [block, members] : blocks) {
    if (members.size() < 2) continue;
    // Members are in key order. The source: the first one OLD has, else the first.
    const KeyedNames::Item* source = members.front();
    for (const KeyedNames::Item* member : members) {
      if (oldNames.first.count(member->key) != 0) {
        source = member;
        break;
      }
    }
    const auto oldSource = oldNames.first.find(source->key);
    for (const KeyedNames::Item* member : members) {
      if (member == source) continue;
      const auto oldTarget = oldNames.first.find(member->key);
      const bool sharedBefore =
          oldSource != oldNames.first.end() && oldTarget != oldNames.first.end() &&
          oldRecords[oldSource->second].StoredLength > 0 &&
          BlockKey(oldRecords[oldSource->second]) == BlockKey(oldRecords[oldTarget->second]);
      if (!sharedBefore)
        diff.SharedNames.push_back({newRecords[source->index].Name, newRecords[member->index].Name});
    }
  }
  std::sort(
      diff.SharedNames.begin(), diff.SharedNames.end(), [](const KzpSharedName& a, const KzpSharedName& b) {
        const std::string ka = platform::AnsiLowerCase(a.Target), kb = platform::AnsiLowerCase(b.Target);
        return ka != kb ? ka < kb : a.Target < b.Target;
      });
}

}  // namespace

bool DiffKzpEntries(KzpReader& oldPackage, KzpReader& newPackage, KzpDiff& diff,
                    std::vector<Inexpressible>& notes, std::string& damage) {
  const std::vector<TKzpRecord>& oldRecords = oldPackage.Layout().Records;
  const std::vector<TKzpRecord>& newRecords = newPackage.Layout().Records;
  const auto lower = [](const std::string& name) { return platform::AnsiLowerCase(name); };
  const KeyedNames oldNames = IndexNames(
      oldRecords.size(), [&](size_t i) -> const std::string& { return oldRecords[i].Name; }, lower);
  const KeyedNames newNames = IndexNames(
      newRecords.size(), [&](size_t i) -> const std::string& { return newRecords[i].Name; }, lower);

  for (const KeyedNames::Item& item : newNames.sorted) {
    const TKzpRecord& record = newRecords[item.index];
    if (item.twin) {
      notes.push_back(Note(diff.Path, record.Name, kCaseTwin));
      continue;
    }
    KzpEntryChange change{ChangeKind::Changed, record.Name, record.Kind, record.Size, 0};
    const auto found = oldNames.first.find(item.key);
    if (found == oldNames.first.end()) {
      change.Kind = ChangeKind::Added;
      if (!ContentCrc(newPackage, record, change.NewCrc, damage)) return false;
      diff.Entries.push_back(std::move(change));
      continue;
    }
    const TKzpRecord& old = oldRecords[found->second];
    if (old.Name != record.Name) notes.push_back(Note(diff.Path, record.Name, kCaseChanged));
    if (old.Kind == record.Kind && old.Size == record.Size) {
      // The same stored block is the same content; only a different one is inflated.
      const std::optional<Bytes> oldBlock = oldPackage.ReadBlock(old);
      const std::optional<Bytes> newBlock = newPackage.ReadBlock(record);
      if (!oldBlock || !newBlock) {
        damage = (oldBlock ? record.Name : old.Name) + ": its block cannot be read";
        return false;
      }
      if (*oldBlock == *newBlock) continue;
      uint32_t oldCrc = 0;
      if (!ContentCrc(oldPackage, old, oldCrc, damage) ||
          !ContentCrc(newPackage, record, change.NewCrc, damage)) {
        return false;
      }
      if (oldCrc == change.NewCrc) continue;
    } else if (!ContentCrc(newPackage, record, change.NewCrc, damage)) {
      return false;
    }
    diff.Entries.push_back(std::move(change));
  }
  for (const KeyedNames::Item& item : oldNames.sorted) {
    if (item.twin || newNames.first.count(item.key) != 0) continue;
    const TKzpRecord& old = oldRecords[item.index];
    diff.Entries.push_back(KzpEntryChange{ChangeKind::Removed, old.Name, 0, 0, 0});
    notes.push_back(Note(diff.Path, old.Name, kRemoved));
  }
  std::sort(diff.Entries.begin(), diff.Entries.end(), [](const KzpEntryChange& a, const KzpEntryChange& b) {
    const std::string ka = platform::AnsiLowerCase(a.Name), kb = platform::AnsiLowerCase(b.Name);
    return ka != kb ? ka < kb : a.Name < b.Name;
  });
  FindSharedNames(oldRecords, oldNames, newRecords, newNames, diff);
  const TKzpSignature& oldSignature = oldPackage.Layout().Signature;
  const TKzpSignature& newSignature = newPackage.Layout().Signature;
  diff.OldOfficial = oldSignature.Official;
  diff.NewOfficial = newSignature.Official;
  diff.OldPassword = oldSignature.Password;
  diff.NewPassword = newSignature.Password;
  return true;
}

bool DiffVfsFiles(VfsReader& oldArchive, VfsReader& newArchive, VfsDiff& diff,
                  std::vector<Inexpressible>& notes, std::string& damage) {
  const std::vector<VfsFileInfo>& oldFiles = oldArchive.Files();
  const std::vector<VfsFileInfo>& newFiles = newArchive.Files();
  const auto fold = [](const std::string& name) { return VfsFoldCase(name); };
  const KeyedNames oldNames = IndexNames(
      oldFiles.size(), [&](size_t i) -> const std::string& { return oldFiles[i].Name; }, fold);
  const KeyedNames newNames = IndexNames(
      newFiles.size(), [&](size_t i) -> const std::string& { return newFiles[i].Name; }, fold);
  const auto read = [&damage](VfsReader& archive, const std::string& name) {
    std::string reason;
    std::optional<Bytes> content = archive.ReadFile(name, reason);
    if (!content) damage = name + ": " + reason;
    return content;
  };

  for (const KeyedNames::Item& item : newNames.sorted) {
    const VfsFileInfo& file = newFiles[item.index];
    if (item.twin) {
      notes.push_back(Note(diff.Path, file.Name, kCaseTwin));
      continue;
    }
    const auto found = oldNames.first.find(item.key);
    const VfsFileInfo* old = found == oldNames.first.end() ? nullptr : &oldFiles[found->second];
    if (old != nullptr && old->Name != file.Name) notes.push_back(Note(diff.Path, file.Name, kCaseChanged));
    if (old != nullptr && old->Size == file.Size) {
      // The same stored bytes are the same content; only different ones are inflated.
      const std::optional<Bytes> oldStored = oldArchive.ReadStored(old->Name);
      const std::optional<Bytes> newStored = newArchive.ReadStored(file.Name);
      if (oldStored && newStored && *oldStored == *newStored) continue;
    }
    const std::optional<Bytes> content = read(newArchive, file.Name);
    if (!content) return false;
    if (old != nullptr && old->Size == file.Size) {
      const std::optional<Bytes> oldContent = read(oldArchive, old->Name);
      if (!oldContent) return false;
      if (*oldContent == *content) continue;
    }
    diff.Files.push_back(VfsFileChange{old == nullptr ? ChangeKind::Added : ChangeKind::Changed, file.Name,
                                       file.Size, Crc32(*content)});
  }
  for (const KeyedNames::Item& item : oldNames.sorted) {
    if (item.twin || newNames.first.count(item.key) != 0) continue;
    const VfsFileInfo& old = oldFiles[item.index];
    diff.Files.push_back(VfsFileChange{ChangeKind::Removed, old.Name, 0, 0});
    notes.push_back(Note(diff.Path, old.Name, kRemoved));
  }
  std::sort(diff.Files.begin(), diff.Files.end(), [](const VfsFileChange& a, const VfsFileChange& b) {
    const std::string ka = VfsFoldCase(a.Name), kb = VfsFoldCase(b.Name);
    return ka != kb ? ka < kb : a.Name < b.Name;
  });
  return true;
}

}  // namespace setup::setupc
