#pragma once
// Routines the file commands share: removing a folder tree, placing a path below the
// installation folder, and the registry test of a conditional file group.

#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace setup {

struct SetupContext;

// The file-system calls DeleteFolderTree makes; a test replaces them to make a removal
// fail (the platform's own calls cannot be made to fail for a privileged user).
struct FolderTreeOperations {
  std::function<bool(const std::string&)> folderExists;
  std::function<std::vector<platform::FolderEntry>(const std::string&)> listFolder;
  std::function<bool(const std::string&)> removeFile;
  std::function<bool(const std::string&)> removeFolder;
};
// The platform's calls.
FolderTreeOperations PlatformFolderTreeOperations();

// When the folder exists, removes it with everything below it: files of every
// attribute, subfolders at any depth. A symbolic link or junction is removed itself,
// never followed. A file or folder that cannot be removed is given up on (its folder
// and the folders above it stay); the rest is removed all the same. Each folder is
// listed once and its removal tried once, so the work is linear in the number of
// entries. The flag does not change the outcome: the whole tree is removed either way.
void DeleteFolderTree(const std::string& folder, bool recursive);
void DeleteFolderTree(const std::string& folder, bool recursive, const FolderTreeOperations& operations);

// A drive path ("X:\..." longer than three characters) with "\" added when missing;
// any other path is taken below the installation folder: InstallDir with "\" added,
// then the path with "\" added (nothing for an empty path, which thus gives InstallDir
// itself).
std::string MakeInstallPath(const SetupContext& context, const std::string& path);

// The registry test of "file" with eight parameters: the string value valueName of the
// key (root short name "HKLM", "HKCU", ...) compared case-sensitively with expected (an
// absent value reads as empty, a key that cannot be opened never matches). The key is
// opened with full access and created when absent, so a test of a missing key leaves
// it behind, empty. Mode "0", "false" or "f" (any case) negates the match; any other
// mode takes it as it is.
bool RegistryCondition(const std::string& rootName, const std::string& key, const std::string& valueName,
                       const std::string& mode, const std::string& expected);

// The file name of a path: everything after its last "\" or ":".
std::string ExtractFileName(const std::string& path);

}  // namespace setup
