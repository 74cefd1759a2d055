#pragma once
// Path variables ("$INSTDIR", "$PROGRAMFILES", ...), environment references
// ("%TEMP%") and the values behind them.
//
// Commands expand their parameters with ExpandVariables before they touch the file
// system or the registry; the uninstall log records paths in the form ContractVariables
// gives them, so that the uninstaller expands them again with the folders of its own
// run. Variable names and values are matched with ASCII letters folded to lower case.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "script/setup_info.h"

namespace setup {

// The environment as (name, value) pairs in the order of the process environment block.
using TEnvironmentTable = std::vector<std::pair<std::string, std::string>>;

// The values behind the path variables and the space figures: one per process, held by
// the setup context, filled at start-up (InitPathVariables and the space computation)
// and by the wizard, then only read by the worker thread. The text macros point at
// fields of this object (RegisterMacros), so it must stay where it is once they are
// registered. Texts are in the system code page.
struct TPathVariables {
  // "$SMPROGRAMS", "$PROGRAMFILES", "$DESKTOP": the shell's folder followed by "\",
  // taken once at start-up; a failed lookup leaves a lone "\".
  std::string SmPrograms;
  std::string ProgramFiles;
  std::string Desktop;
  // "$CDDRIVE": the root of the first CD-ROM drive ("D:\"), or empty.
  std::string CdDrive;
  // "$LANGUAGESELECTION": the name of the language the user chose in the wizard.
  std::string LanguageSelection = "English";
  // Environment references "%name%" resolve through this table.
  TEnvironmentTable Environment;

  // Bytes the run writes, and the free bytes of the installation drive
  // (kUnknownFreeSpace when the drive could not be queried), with their texts (the
  // macros "<%SPACEREQ%>" and "<%SPACEAVA%>"): FormatSize, or kUnknownFreeSpaceText.
  int64_t RequiredSpace = 0;
  std::string RequiredSpaceText;
  int64_t FreeSpace = 0;
  std::string FreeSpaceText;

  // Set the number and its text together.
  void SetRequiredSpace(int64_t bytes);
  void SetFreeSpace(int64_t bytes);
};

// The free space of a drive the system could not tell about, and how it shows.
inline constexpr int64_t kUnknownFreeSpace = -1;
inline constexpr const char* kUnknownFreeSpaceText = "unknown";

// ---- start-up ----

// The characters the system's drive list may take; a longer list is an error.
inline constexpr size_t kDriveListCapacity = 129;

// The root of the first drive, in the system's order, whose kind is CD-ROM ("D:\"), or
// empty. Raises SetupError (with the system's message) when the system's list of drives
// does not fit in kDriveListCapacity characters.
std::string FindCdDrive();

// "$SMPROGRAMS", "$PROGRAMFILES" and "$DESKTOP" from the shell's special-folder
// location, each followed by "\"; for a per-user setup "$PROGRAMFILES" is the user's
// programs folder (local application data, "Programs"). owner: the application window
// (a HWND), or null.
void LoadShellFolders(TPathVariables& vars, bool perUser = false, void* owner = nullptr);

// Splits each string of the environment block at its first "=": "name=value" gives
// (name, value); a string without "=" gives an empty name and value. Every string takes
// part, the first included; those with an empty name (the per-drive current folders
// the system keeps as "=C:=C:\dir", or a string without "=") stay in the table but are
// never used by ExpandEnvironment.
TEnvironmentTable ParseEnvironmentBlock(const std::vector<std::string>& strings);

// Reads the process environment block into vars.Environment.
void LoadEnvironmentTable(TPathVariables& vars);

// All of the start-up values that come from the machine: CdDrive, the shell folders
// and the environment table. Raises what FindCdDrive raises.
void InitPathVariables(TPathVariables& vars, void* owner = nullptr);

// ---- operations ----

// path followed by "\", unless path is empty or already ends with "\".
std::string AddBackslash(std::string_view path);
std::u16string AddBackslash(std::u16string_view path);

// "$APPDATA" as it is now: the shell's folder-path query for the application-data
// folder with "\" added when missing; empty when the query fails.
std::string AppDataFolder();

// Only when text holds a "%": for each pair of the table in order (names that are empty
// skipped), every "%name%" is replaced by the value. A name not in the table stays.
std::u16string ExpandEnvironment(std::u16string_view text, const TPathVariables& vars);

// Replaces, in this order: "$INSTDIR" and "$INSTALLDIR" by info.InstallDir as it is
// now; "$SMPROGRAMS", "$PROGRAMFILES"; "$APPDATA" (looked up now); "$DESKTOP",
// "$CDDRIVE", "$LANGUAGESELECTION"; then the environment references; then every run of
// backslashes collapses to one (also the two of a network path). An InstallDir that
// itself begins with a path variable is thus expanded by the later steps. A value that
// holds its own variable name is inserted once, not again and again.
std::u16string ExpandVariables(std::u16string_view text, const TSetupInfoFile& info, const TPathVariables& vars);
// The same for text in the system code page.
std::string ExpandVariables(std::string_view text, const TSetupInfoFile& info, const TPathVariables& vars);

// The reverse for a path: replaces, in this order, the value of InstallDir by
// "$INSTDIR", then the values of "$SMPROGRAMS", "$PROGRAMFILES", "$APPDATA" and
// "$DESKTOP" by their names; then expands environment references. A value that is
// empty, or a lone "\" (a folder the shell could not find), is skipped: it would turn
// every backslash of the path into a variable. A file under C:\Game\ thus becomes
// "$INSTDIRdata\x", which ExpandVariables turns back into C:\Game\data\x.
std::u16string ContractVariables(std::u16string_view path, const TSetupInfoFile& info, const TPathVariables& vars);
// The same for text in the system code page (the uninstall log records 8-bit paths).
std::string ContractVariables(std::string_view path, const TSetupInfoFile& info, const TPathVariables& vars);
// The same with "$APPDATA"'s value given (AppDataFolder()): for a caller that contracts
// many paths, since the shell's query costs some server round trips under Wine each time.
std::string ContractVariables(std::string_view path, const TSetupInfoFile& info, const TPathVariables& vars,
                              const std::string& appData);

}  // namespace setup
