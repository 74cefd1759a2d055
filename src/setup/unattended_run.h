#pragma once
// The run of /S, after a start-up that loaded everything: no wizard, no window. An
// installer runs its script on the worker thread (as the wizard would have it run) and
// ends with the folder, the log and the uninstaller; an uninstaller removes what its
// log records and starts the finaliser. Boxes are the log's business (MessageLogScope).

#include "script/setup_thread.h"
#include "setup/exit_code.h"

namespace setup {

struct SetupContext;

// Success, or ScriptFailed when the script failed. onError receives an error raised
// inside the worker thread (the error report, which ends the process).
ExitCode RunUnattended(SetupContext& context, const TSetupThread::ErrorHandler& onError);

}  // namespace setup
