#include "script/install_run.h"

#include "script/setup_context.h"

namespace setup {

InstallRunStart PrepareInstallRun(SetupContext& context) {
  InstallRunStart start;
  // A package holds at most 65,535 entries, so the count always fits.
  start.FileCount = static_cast<int32_t>(context.Package.CountGrouped());
  start.StatusText = "Status: 0 of " + std::to_string(start.FileCount) + " files extracted";
  // The folder page puts the expansion of InstallDir into its field and takes the field
  // back; a page set without a folder page would leave path variables in it, and the
  // run's end (log, uninstaller) needs a real folder.
  context.SetupInfo.InstallDir = ExpandVariables(context.SetupInfo.InstallDir, context.SetupInfo, context.Variables);
  context.UninstallList.AddFolder(context.SetupInfo.InstallDir);
  context.HandOff.ResetFilesDone();
  context.Run.CurrentLine = -1;
  return start;
}

}  // namespace setup
