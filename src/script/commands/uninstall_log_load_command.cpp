#include "script/commands/uninstall_log_load_command.h"

#include <string>

#include "installlog/install_log_digest.h"
#include "platform/dialogs.h"
#include "script/line_params.h"
#include "script/path_variables.h"
#include "script/setup_context.h"
#include "script/setup_failure.h"

namespace setup {

TUninstallLogLoadCommand::TUninstallLogLoadCommand() : TCommandClass("uninstalllogload", /*isHeader=*/false) {}

void TUninstallLogLoadCommand::SFXProcess(SetupContext& context, int32_t lineIndex) {
  const TCompLine* line = context.CompiledLines.Find(lineIndex);
  const std::string folder = ExpandVariables(LineParam(line, 0), context.SetupInfo, context.Variables);
  const std::string prefix = LineParam(line, 1);
  // A log read back here is saved again at the end of the run under a fresh digest, so
  // it must be the one the installation saved: entries someone else wrote would become
  // the next uninstall's to remove. A changed log is not taken over; the run fails.
  TUninstallList before = context.UninstallList;
  std::string digest;
  if (context.UninstallList.Load(folder, prefix, &digest) == LoadResult::NotFound) return;
  if (CheckInstallLogDigest(context.SetupInfo.ShortName, digest, RegistrationRoot(context.Facts)) !=
      LogDigestCheck::Differs)
    return;
  context.UninstallList = std::move(before);
  const std::string logPath = AddBackslash(folder) + prefix + "install.log";  // as the user knows it
  context.Log.Write({"install log ", logPath, ": SHA-256 ", digest.empty() ? "unavailable" : digest,
                     ", not the registration's InstallLogDigest"});
  platform::ShowMessage(InstallLogChangedMessage(logPath, /*removing=*/false), std::string("Setup Error"));
  MarkSetupFailed(context);
}

}  // namespace setup
