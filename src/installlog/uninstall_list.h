#pragma once
// The uninstall log in memory: what an installation has done and its uninstaller is to
// undo. Three ordered lists of 8-bit strings (system code page):
//   Files            every file written, in path-variable form ("$INSTDIR\data\a.dat");
//                    a path already listed is not added again
//   RegistryEntries  every registry value written: four fields in double quotes,
//                    separated by single blanks (root, key, value name, data, as the
//                    script line wrote them); an entry already listed is not added again
//   Folders          every folder created, in order of creation, exactly as built;
//                    duplicates kept
// "Already listed" means equal after folding the ASCII letters A to Z to lower case;
// no other character is folded. A hash index of the folded strings stands beside
// Files and RegistryEntries, so adding n entries costs O(n), not O(n^2).
//
// Saved as "install.log" (install_log.h). The 16-bit counts of that file limit each
// list to 65,535 entries and each entry to 65,535 bytes: an addition beyond either
// limit is refused, never truncated (a cut path could name another file, which the
// uninstaller would then delete), so a list always fits its file.
//
// No lock: one thread at a time adds (the interface thread before the run, the worker
// during it).

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "installlog/install_log.h"

namespace setup {

enum class AddResult {
  Added,
  AlreadyListed,  // Files and RegistryEntries only
  TooLong,        // the entry is over 65,535 bytes
  ListFull,       // the list already holds 65,535 entries
};

enum class LoadResult {
  NotFound,  // no such file (or it cannot be opened): the lists are unchanged
  Loaded,    // the lists hold the whole log
  Damaged,   // the log ended before its counts were satisfied: the lists hold every
             // entry read in full before that point
};

class TUninstallList {
 public:
  // Turns a real path into its path-variable form (ContractVariables with the run's
  // folders). Unset: paths are recorded as they are.
  using PathContractor = std::function<std::string(const std::string&)>;

  TUninstallList() = default;
  explicit TUninstallList(PathContractor contractor) : contractor_(std::move(contractor)) {}
  void SetPathContractor(PathContractor contractor) { contractor_ = std::move(contractor); }

  void Clear();

  // Contracts path, then appends it unless HasFile finds the contracted form.
  AddResult AddFile(const std::string& path);
  // Appends a four-field entry unless HasRegistryEntry finds it.
  AddResult AddRegistryEntry(const std::string& entry);
  // Appends path unconditionally and unconverted (within the limits).
  AddResult AddFolder(const std::string& path);

  // Whether an entry equal to the argument (ASCII letters folded) is listed. HasFile
  // takes the path-variable form, as it is listed; it does not contract its argument.
  bool HasFile(const std::string& path) const;
  bool HasRegistryEntry(const std::string& entry) const;

  const std::vector<std::string>& Files() const { return lists_.Files; }
  const std::vector<std::string>& RegistryEntries() const { return lists_.RegistryEntries; }
  const std::vector<std::string>& Folders() const { return lists_.Folders; }
  const InstallLogLists& Lists() const { return lists_; }

  // Writes InstallLogPath(folder, prefix), deleting an existing file first. The lists
  // do not change. The installer ignores the result (a log that cannot be written is
  // simply missing or short); it is true when the whole log was written. digest, when
  // given, receives the SHA-256 (hex) of the bytes written when the whole log was
  // written, and is emptied otherwise.
  bool Save(const std::string& folder, const std::string& prefix, std::string* digest = nullptr) const;
  // Reads InstallLogPath(folder, prefix). A missing file changes nothing; otherwise
  // the lists are cleared and filled from the file. digest, when given, receives the
  // SHA-256 (hex) of the whole file as it was read (ReadInstallLogFile).
  LoadResult Load(const std::string& folder, const std::string& prefix, std::string* digest = nullptr);

 private:
  // Appends to a list with a folded index unless the folded form is already there.
  static AddResult AddIndexed(std::vector<std::string>& list, std::unordered_set<std::string>& index,
                              const std::string& entry);
  void RebuildIndexes();

  InstallLogLists lists_;
  std::unordered_set<std::string> fileIndex_;
  std::unordered_set<std::string> registryIndex_;
  PathContractor contractor_;
};

// Creates the missing folders of an absolute drive path ("X:\...", X an ASCII letter,
// at least four characters) one piece at a time from the drive root, each piece ending
// with its backslash when the path has one there, and records with AddFolder every
// folder it creates, exactly as built: "C:\A\B\" records "C:\A\" and "C:\A\B\",
// "C:\A\B" records "C:\A\" and "C:\A\B". Folders that already exist or cannot be
// created are not recorded. Any other path (relative, UNC, "C:" without the backslash)
// creates and records nothing.
void ForceDirectoriesLogged(const std::string& path, TUninstallList& list);

}  // namespace setup
