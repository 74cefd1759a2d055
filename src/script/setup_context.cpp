#include "script/setup_context.h"

#include <optional>
#include <string>

namespace setup {

SetupContext::SetupContext() {
  // The log records files with the known folders replaced by their variables, read
  // from this context's live values at the moment of recording; the application-data
  // folder, which no run changes, is asked of the shell once, not once per file.
  UninstallList.SetPathContractor([this, appData = std::optional<std::string>()](const std::string& path) mutable {
    if (!appData) appData = AppDataFolder();
    return ContractVariables(path, SetupInfo, Variables, *appData);
  });
}

}  // namespace setup
