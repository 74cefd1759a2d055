#include "script/setup_context.h"

namespace setup {

SetupContext::SetupContext() {
  // The log records files with the known folders replaced by their variables, read
  // from this context's live values at the moment of recording.
  UninstallList.SetPathContractor(
      [this](const std::string& path) { return ContractVariables(path, SetupInfo, Variables); });
}

}  // namespace setup
