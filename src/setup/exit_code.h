#pragma once
// The exit codes of the setup and the uninstaller, the same for the wizard and for an
// unattended run, so that a deployment tool can act on them.

#include <cstdint>

namespace setup {

enum class ExitCode : uint32_t {
  Success = 0,         // installed (or removed) as the script asked
  Cancelled = 1,       // the user left the wizard before its end
  ScriptFailed = 2,    // the run failed: "failure", an archive that could not be
                       // updated, a refused entry, a file held by another program
  DamagedSetup = 3,    // the package is damaged: verification, a missing record
  StartupRefused = 4,  // start-up stopped: the file name, no installation folder, too
                       // little space (unattended), a missing install log
  InternalError = 5,   // an unexpected error, after the error report
};

constexpr uint32_t ToProcessExitCode(ExitCode code) { return static_cast<uint32_t>(code); }

}  // namespace setup
