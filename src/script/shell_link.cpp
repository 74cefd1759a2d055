#include "script/shell_link.h"

#include "installlog/uninstall_list.h"
#include "platform/shell.h"
#include "script/path_variables.h"

namespace setup {

std::string FolderPart(std::string_view path) {
  const size_t last = path.find_last_of("\\:");
  if (last == std::string_view::npos) return {};
  return std::string(path.substr(0, last + 1));
}

bool CreateShellLink(const std::string& linkPath, const std::string& target, const std::string& arguments,
                     const std::string& iconFile, TUninstallList& log) {
  ForceDirectoriesLogged(FolderPart(linkPath), log);

  platform::ShellLink link;
  link.target = target;
  link.arguments = arguments;
  link.workingFolder = AddBackslash(FolderPart(target));
  if (iconFile != target) {
    link.iconPath = iconFile;
    link.iconIndex = 0;
  }
  return platform::SaveShellLink(linkPath, link);
}

}  // namespace setup
