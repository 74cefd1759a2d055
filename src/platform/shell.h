#pragma once
// Special folders of the shell. Paths are text in the system code page, without a
// trailing backslash (as the shell gives them); an empty text means the lookup failed.
//
// The posix build answers from a table of Windows-style paths on drive C: (see
// posix/shell_controls.h), which the file services map into the sandbox root.

#include <optional>
#include <string>

namespace setup::platform {

// Special folder numbers (the shell's CSIDL values) the setup uses.
enum SpecialFolder : int {
  kFolderDesktop = 0,        // the user's desktop
  kFolderPrograms = 2,       // the user's Start-menu programs folder
  kFolderAppData = 26,       // the user's roaming application data
  kFolderLocalAppData = 28,  // the user's local application data
  kFolderProgramFiles = 38,  // the Program Files folder
};

// The folder through the shell's special-folder location: the shell names the folder
// as an item list, which is then turned into a file-system path. owner is the window
// the shell may use for a dialog (a HWND; null for none). Empty when the folder has no
// location or no file-system path.
std::string SpecialFolderLocation(int csidl, void* owner = nullptr);

// The folder through the shell's folder-path query (current path, folder not created).
// Empty when the query fails.
std::string SpecialFolderPath(int csidl);

// Tools that run a setup away from the user's folders (setupc apply): while a folder
// is set, each special folder above answers folder + "\" + a name of its own
// ("Desktop", "Programs", "AppData", "Program Files") in both lookups; an empty folder
// restores the system's answers (the posix build: its table's). Unset by default.
void RedirectSpecialFolders(const std::string& folder);
// The redirected path of csidl; nullopt while no folder is set.
std::optional<std::string> RedirectedSpecialFolder(int csidl);

// Opens a document with the program associated with its type ("open"), in a maximised
// window; returns once the program has been started. owner as above. False when the
// shell could not start it. The posix build starts nothing and records the request
// (posix/posix_controls.h).
bool OpenDocumentMaximized(const std::string& path, void* owner = nullptr);

// ---- shell links (shortcuts) ----

// What a shortcut holds. The link always opens its target in a normal window.
struct ShellLink {
  std::string target;
  std::string arguments;
  std::string workingFolder;
  std::string iconPath;  // empty: no icon location is set (the target's own icon shows)
  int iconIndex = 0;
};

// Creates a shell-link object, sets its properties from link and saves it at linkPath
// (the folder must exist). Raises SetupError when the shell-link object cannot be
// created at all; returns false when the link could not be saved. The Windows build
// needs the component-object system on the calling thread (ComponentObjectScope). The
// posix build writes a small text file of "key=value" lines (target, arguments,
// workingFolder, iconPath, iconIndex), with "%", CR and LF in values as "%25", "%0D",
// "%0A".
bool SaveShellLink(const std::string& linkPath, const ShellLink& link);
// Reads a link that SaveShellLink (or the system) wrote; nullopt when it cannot.
std::optional<ShellLink> LoadShellLink(const std::string& linkPath);

// Initialises the component-object system for the calling thread for its lifetime
// (single-threaded apartment), and releases it again when the initialisation took.
// The posix build does nothing.
class ComponentObjectScope {
 public:
  ComponentObjectScope();
  ~ComponentObjectScope();
  ComponentObjectScope(const ComponentObjectScope&) = delete;
  ComponentObjectScope& operator=(const ComponentObjectScope&) = delete;

 private:
  [[maybe_unused]] bool initialised_ = false;  // the Windows half only
};

}  // namespace setup::platform
