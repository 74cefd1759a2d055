#pragma once
// The wizard's side of an install run that does not depend on windows: what it sets up
// before it asks the worker thread for the run.

#include <cstdint>
#include <string>

namespace setup {

struct SetupContext;

struct InstallRunStart {
  int32_t FileCount = 0;   // the package entries of non-zero groups: the gauge's maximum
  std::string StatusText;  // "Status: 0 of N files extracted", for the status label
};

// Expands the path variables left in InstallDir, records the installation folder in
// the uninstall log, sets the file count back to 0
// and CurrentLine to -1, and returns the starting status and the gauge's maximum. The
// caller then shows them and sets the worker's Running flag.
InstallRunStart PrepareInstallRun(SetupContext& context);

}  // namespace setup
