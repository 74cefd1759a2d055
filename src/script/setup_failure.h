#pragma once
// Ends a run as "failure" does: the finish text becomes language text 23 ("Setup
// failed to install patch."), drawn at once, and SetupFailed stops the script after
// the current line; the end steps (log, uninstaller) still run. The package engines
// use it too when they stop a run over a damaged archive or a refused change. The log
// records the failure and is kept; when it lies in the temporary folder, the finish
// text names it.

namespace setup {

struct SetupContext;

void MarkSetupFailed(SetupContext& context);

}  // namespace setup
