#pragma once
// Shortcut creation for "createshortcut".

#include <string>
#include <string_view>

namespace setup {

class TUninstallList;

// The folder part of a path: everything up to and including its last "\" or ":";
// empty when it has neither.
std::string FolderPart(std::string_view path);

// Creates the missing folders of the link's folder (recording each in the log), then
// saves a shortcut at linkPath to target with the arguments, opening in a normal window
// with the target's folder (trailing backslash) as working folder. The icon location
// is set to iconFile, index 0, only when iconFile differs from target (compared with
// case). The caller records the link file itself. False when the link could not be
// saved; raises SetupError when the shell-link object cannot be created.
bool CreateShellLink(const std::string& linkPath, const std::string& target, const std::string& arguments,
                     const std::string& iconFile, TUninstallList& log);

}  // namespace setup
