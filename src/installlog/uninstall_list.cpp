#include "installlog/uninstall_list.h"

#include "base/text_replace.h"
#include "platform/files.h"
#include "platform/sha256.h"

namespace setup {

namespace {

std::string Folded(const std::string& text) {
  std::string out(text);
  for (char& c : out) c = FoldAscii(c);
  return out;
}

AddResult CheckLimits(const std::vector<std::string>& list, const std::string& entry) {
  if (entry.size() > kMaxLogEntryLength) return AddResult::TooLong;
  if (list.size() >= kMaxLogEntries) return AddResult::ListFull;
  return AddResult::Added;
}

}  // namespace

void TUninstallList::Clear() {
  lists_ = InstallLogLists{};
  fileIndex_.clear();
  registryIndex_.clear();
}

AddResult TUninstallList::AddIndexed(std::vector<std::string>& list, std::unordered_set<std::string>& index,
                                     const std::string& entry) {
  std::string key = Folded(entry);
  if (index.count(key) != 0) return AddResult::AlreadyListed;
  if (const AddResult limit = CheckLimits(list, entry); limit != AddResult::Added) return limit;
  index.insert(std::move(key));
  list.push_back(entry);
  return AddResult::Added;
}

AddResult TUninstallList::AddFile(const std::string& path) {
  return AddIndexed(lists_.Files, fileIndex_, contractor_ ? contractor_(path) : path);
}

AddResult TUninstallList::AddRegistryEntry(const std::string& entry) {
  return AddIndexed(lists_.RegistryEntries, registryIndex_, entry);
}

AddResult TUninstallList::AddFolder(const std::string& path) {
  if (const AddResult limit = CheckLimits(lists_.Folders, path); limit != AddResult::Added) return limit;
  lists_.Folders.push_back(path);
  return AddResult::Added;
}

bool TUninstallList::HasFile(const std::string& path) const { return fileIndex_.count(Folded(path)) != 0; }

bool TUninstallList::HasRegistryEntry(const std::string& entry) const {
  return registryIndex_.count(Folded(entry)) != 0;
}

bool TUninstallList::Save(const std::string& folder, const std::string& prefix, std::string* digest) const {
  if (digest != nullptr) digest->clear();
  const std::string path = InstallLogPath(folder, prefix);
  const Bytes image = EncodeInstallLog(lists_);  // the lists are within the limits
  if (platform::FileExists(path)) platform::RemoveFile(path);
  platform::File file;
  if (!file.Open(path, platform::OpenMode::CreateAlways)) return false;
  if (!file.Write(image.data(), image.size())) return false;
  if (digest != nullptr) *digest = platform::Sha256Hex(image).value_or("");
  return true;
}

LoadResult TUninstallList::Load(const std::string& folder, const std::string& prefix, std::string* digest) {
  InstallLogImage image;
  if (!ReadInstallLogFile(InstallLogPath(folder, prefix), image, UninstallLogKey, digest)) return LoadResult::NotFound;
  lists_ = std::move(image.Lists);
  RebuildIndexes();
  return image.Complete ? LoadResult::Loaded : LoadResult::Damaged;
}

void TUninstallList::RebuildIndexes() {
  fileIndex_.clear();
  registryIndex_.clear();
  fileIndex_.reserve(lists_.Files.size());
  registryIndex_.reserve(lists_.RegistryEntries.size());
  for (const std::string& entry : lists_.Files) fileIndex_.insert(Folded(entry));
  for (const std::string& entry : lists_.RegistryEntries) registryIndex_.insert(Folded(entry));
}

void ForceDirectoriesLogged(const std::string& path, TUninstallList& list) {
  const bool driveLetter =
      !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (path.size() < 4 || !driveLetter || path[1] != ':' || path[2] != '\\') return;
  // A folder that exists has every parent: one look instead of one per level, which
  // matters when a group puts thousands of files into folders that are already there.
  if (platform::DirectoryExists(path)) return;

  std::string current = path.substr(0, 3);
  size_t start = 3;
  while (start < path.size()) {
    const size_t slash = path.find('\\', start);
    const size_t end = slash == std::string::npos ? path.size() : slash + 1;
    current.append(path, start, end - start);
    start = end;
    if (!platform::DirectoryExists(current) && platform::CreateDirectoryTree(current))
      list.AddFolder(current);
  }
}

}  // namespace setup
