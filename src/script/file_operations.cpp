#include "script/file_operations.h"

#include "platform/registry.h"
#include "script/path_variables.h"
#include "script/registry_roots.h"
#include "script/setup_context.h"

namespace setup {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

FolderTreeOperations PlatformFolderTreeOperations() {
  return {platform::DirectoryExists, platform::ListFolder, platform::RemoveFile, platform::RemoveFolder};
}

void DeleteFolderTree(const std::string& folder, bool recursive) {
  DeleteFolderTree(folder, recursive, PlatformFolderTreeOperations());
}

void DeleteFolderTree(const std::string& folder, bool /*recursive*/, const FolderTreeOperations& operations) {
  if (!operations.folderExists(folder)) return;

  // A folder is on the stack twice over its life: when first met it is emptied of
  // files and its subfolders are pushed above it; when it comes back to the top, they
  // have all been dealt with, and its own removal is tried once. Whatever the outcome it
  // is popped, so an entry that cannot be removed never holds the walk up.
  struct Pending {
    std::string path;
    bool emptied = false;
  };
  std::vector<Pending> stack;
  stack.push_back({folder, false});
  while (!stack.empty()) {
    if (stack.back().emptied) {
      operations.removeFolder(stack.back().path);
      stack.pop_back();
      continue;
    }
    stack.back().emptied = true;
    const std::string base = AddBackslash(stack.back().path);
    for (const platform::FolderEntry& entry : operations.listFolder(stack.back().path)) {
      if (entry.isFolder) {
        stack.push_back({base + entry.name, false});
      } else {
        operations.removeFile(base + entry.name);
      }
    }
  }
}

std::string MakeInstallPath(const SetupContext& context, const std::string& path) {
  if (path.size() > 3 && IsAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\') return AddBackslash(path);
  return AddBackslash(context.SetupInfo.InstallDir) + AddBackslash(path);
}

bool RegistryCondition(const std::string& rootName, const std::string& key, const std::string& valueName,
                       const std::string& mode, const std::string& expected) {
  bool matches = false;
  platform::RegistryKey handle;
  if (handle.Create(RootKeyFromIndex(RootIndexFromName(rootName)), key)) {
    matches = handle.ReadString(valueName).value_or(std::string()) == expected;
  }
  const std::string lowerMode = AsciiLower(mode);
  const bool negate = mode == "0" || lowerMode == "false" || lowerMode == "f";
  return negate ? !matches : matches;
}

std::string ExtractFileName(const std::string& path) {
  const size_t last = path.find_last_of("\\:");
  return last == std::string::npos ? path : path.substr(last + 1);
}

}  // namespace setup
