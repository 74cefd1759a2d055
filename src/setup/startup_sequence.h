#pragma once
// The second half of start-up, after the package is open and verified: the setup
// information, then the compiled script (installer) or the install log (uninstaller),
// the machine's folders, the file-name check, the languages, the installation folder
// and its free space; then the hand-over to the main form.

#include <optional>
#include <string>

#include "script/setup_context.h"
#include "script/setup_info.h"
#include "setup/exit_code.h"
#include "setup/main_form.h"

namespace setup {

inline constexpr const char* kSetupInfoMissingMessage = "Error: Setup Information Missing. Setup is corrupt";
inline constexpr const char* kInstallLogMissingMessage = "Error: install log is missing";
inline constexpr const char* kCompiledLinesMissingMessage = "Error: Compiled Lines Missing. Setup is corrupt";
inline constexpr const char* kRegistryKeyNotFoundMessage =
    "Error: Registry Key Not Found. Please Install Software";

enum class RunMode { Install, Uninstall };

// The job the package asks for: an uninstaller's setup information has IsUninstaller
// 1; any other value is an installer's.
RunMode ModeOf(const TSetupInfoFile& info);

enum class StartupOutcome {
  Wizard,   // everything is loaded: the main form (or the unattended run) takes over
  Damaged,  // a record is missing: the failure was shown; end with ExitCode::DamagedSetup
  Refused,  // start-up stopped (file name, folder, log, space): ExitCode::StartupRefused
};

// The exit code of a start-up that ended before the wizard.
ExitCode ExitCodeOf(StartupOutcome outcome);

// What the command line asks of start-up.
struct StartupOptions {
  // /D=: the installation folder, in place of the setup's and the registry's.
  std::optional<std::string> Folder;
  // /S: too little free space refuses the start (the wizard would disable Install).
  bool Unattended = false;
};

// Steps 13 to 23 of start-up, on the context that the verification filled (Package,
// ExternalPackage, SystemLangID, and the space of the grouped entries in
// Variables.RequiredSpace). moduleFileName is the running program's path, whose file
// name an installer checks against SetupExeName unless the package is external.
// Registers the text macros with context.Macros. Errors that are no expected outcome
// (a language file that does not load, a drive list that does not fit) propagate as
// exceptions, for the error report.
StartupOutcome ContinueStartup(SetupContext& context, const std::string& moduleFileName,
                               const StartupOptions& options = {});

// ContinueStartup, then, when it ends with Wizard, step 24: form.SetPagesUp() and
// form.Run().
// The exit code comes from the form when it ran, else from ExitCodeOf.
ExitCode FinishStartup(SetupContext& context, const std::string& moduleFileName, IMainForm& form,
                       const StartupOptions& options = {});

}  // namespace setup
