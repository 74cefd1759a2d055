#pragma once
// The second half of start-up, after the package is open and verified: the setup
// information, then the compiled script (installer) or the install log (uninstaller),
// the machine's folders, the file-name check, the languages, the installation folder
// and its free space; then the hand-over to the main form.

#include <cstdint>
#include <string>

#include "script/setup_context.h"
#include "script/setup_info.h"
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
  Wizard,   // everything is loaded: the main form takes over
  Ended,    // a failure was shown: free the main form and end the process with code 0
  Refused,  // the uninstaller refused an install log changed since the installation
            // (the box was shown): free the main form, end with kStartupRefusedExitCode
};

// The exit code of a start-up that refused to go on.
inline constexpr uint32_t kStartupRefusedExitCode = 4;

// Steps 13 to 23 of start-up, on the context that the verification filled (Package,
// ExternalPackage, SystemLangID, and the space of the grouped entries in
// Variables.RequiredSpace). moduleFileName is the running program's path, whose file
// name an installer checks against SetupExeName unless the package is external.
// Registers the text macros with context.Macros. Errors that are no expected outcome
// (a language file that does not load, a drive list that does not fit) propagate as
// exceptions, for the error report.
StartupOutcome ContinueStartup(SetupContext& context, const std::string& moduleFileName);

// ContinueStartup, then, when it ends with Wizard, step 24: form.SetPagesUp() and
// form.Run(). Returns the outcome of ContinueStartup.
StartupOutcome FinishStartup(SetupContext& context, const std::string& moduleFileName, IMainForm& form);

}  // namespace setup
