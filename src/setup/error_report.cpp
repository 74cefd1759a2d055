#include "setup/error_report.h"

#include "platform/dialogs.h"
#include "platform/process.h"

namespace setup {

// For now the report is the message box alone; the report file comes with the rest
// of start-up.
void WriteErrorReport(const std::string& errorText, const std::string& errorType) {
  const std::string type = errorType.empty() ? "Unknown" : errorType;
  platform::ShowMessage(type + " Error: " + errorText, "Error Report");
  platform::ExitProcess(0);
}

}  // namespace setup
