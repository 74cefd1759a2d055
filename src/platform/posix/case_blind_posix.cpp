#include "platform/posix/case_blind_posix.h"

#include <dirent.h>
#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/posix/posix_controls.h"

namespace setup::platform::posix {

namespace {

std::atomic<bool> caseBlind{false};

std::string Lower(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

struct FolderNames {
  timespec modified{};
  std::unordered_map<std::string, std::string> byLower;  // lower-cased name -> name on disk
};

class NameCache {
 public:
  // The name on disk of an entry of folder that matches name without regard to case;
  // empty when none does (or the folder cannot be read).
  std::string Find(const std::string& folder, const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    FolderNames* names = Current(folder);
    if (names == nullptr) return {};
    const auto it = names->byLower.find(Lower(name));
    return it == names->byLower.end() ? std::string() : it->second;
  }

  void Added(const std::string& folder, const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = folders_.find(folder);
    if (it == folders_.end()) return;
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
      folders_.erase(it);
      return;
    }
    it->second.byLower.emplace(Lower(name), name);  // a name already there keeps its match
    it->second.modified = st.st_mtim;
  }

  void Removed(const std::string& folder, const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    folders_.erase(folder + "/" + name);  // the entry was a folder: its names are gone
    const auto it = folders_.find(folder);
    if (it == folders_.end()) return;
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
      folders_.erase(it);
      return;
    }
    const auto entry = it->second.byLower.find(Lower(name));
    if (entry != it->second.byLower.end() && entry->second == name) {
      // Another entry may match the same lower-cased name; the next listing finds it.
      it->second.byLower.erase(entry);
      if (HasCaseTwin(folder, name)) {
        folders_.erase(it);
        return;
      }
    }
    it->second.modified = st.st_mtim;
  }

  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    folders_.clear();
  }

 private:
  // The cached names of folder, listed again when the folder changed since.
  FolderNames* Current(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      folders_.erase(folder);
      return nullptr;
    }
    auto it = folders_.find(folder);
    if (it != folders_.end() && it->second.modified.tv_sec == st.st_mtim.tv_sec &&
        it->second.modified.tv_nsec == st.st_mtim.tv_nsec) {
      return &it->second;
    }
    FolderNames names;
    names.modified = st.st_mtim;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return nullptr;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      const auto [found, added] = names.byLower.emplace(Lower(name), name);
      // Two names alike but for case: the smaller one, whatever the listing order.
      if (!added && name < found->second) found->second = name;
    }
    ::closedir(dir);
    return &(folders_[folder] = std::move(names));
  }

  static bool HasCaseTwin(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return false;
    bool twin = false;
    const std::string lower = Lower(name);
    while (const dirent* entry = ::readdir(dir)) {
      if (Lower(entry->d_name) == lower) {
        twin = true;
        break;
      }
    }
    ::closedir(dir);
    return twin;
  }

  std::mutex mutex_;
  std::unordered_map<std::string, FolderNames> folders_;  // folder (local path) -> names
};

NameCache& Cache() {
  static NameCache cache;
  return cache;
}

bool Exists(const std::string& local) {
  struct stat st {};
  return ::lstat(local.c_str(), &st) == 0;
}

// The folder part and the name of a local path ("a/b/c" -> "a/b", "c"); the folder of
// "/c" is "/", that of "c" is "".
std::pair<std::string, std::string> SplitLast(const std::string& local) {
  const size_t slash = local.find_last_of('/');
  if (slash == std::string::npos) return {std::string(), local};
  return {slash == 0 ? std::string("/") : local.substr(0, slash), local.substr(slash + 1)};
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

void SetCaseBlindPaths(bool on) {
  caseBlind = on;
  Cache().Clear();
}

bool CaseBlindPaths() { return caseBlind; }

std::string ResolveCaseBlind(const std::string& local) {
  if (!caseBlind || local.empty() || Exists(local)) return local;
  // The missing components, deepest first, up to the deepest folder that exists.
  std::vector<std::string> missing;
  std::string existing = local;
  while (!existing.empty() && existing != "/") {
    auto [folder, name] = SplitLast(existing);
    if (!name.empty()) missing.push_back(std::move(name));  // "a//b": an empty part is no name
    existing = std::move(folder);
    if (existing.empty() || Exists(existing)) break;
  }
  std::string resolved = existing;
  const std::string lookupBase = existing.empty() ? std::string(".") : existing;
  bool matching = true;
  std::string lookupFolder = lookupBase;
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    std::string name = *it;
    if (matching && *it != "." && *it != "..") {
      const std::string found = Cache().Find(lookupFolder, *it);
      if (found.empty()) {
        matching = false;  // nothing below a missing folder exists either
      } else {
        name = found;
      }
    }
    resolved = Join(resolved, name);
    lookupFolder = Join(lookupFolder, name);
  }
  return resolved;
}

void NoteEntryAdded(const std::string& local) {
  if (!caseBlind) return;
  const auto [folder, name] = SplitLast(local);
  if (!name.empty()) Cache().Added(folder.empty() ? "." : folder, name);
}

void NoteEntryRemoved(const std::string& local) {
  if (!caseBlind) return;
  const auto [folder, name] = SplitLast(local);
  if (!name.empty()) Cache().Removed(folder.empty() ? "." : folder, name);
}

}  // namespace setup::platform::posix
