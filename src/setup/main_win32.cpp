// The setup stub's entry point. It prepares the process, opens the package (appended to
// this executable, or the file named by the first argument), verifies every entry under
// the verification window, loads the setup and hands over to the main form. Every way
// out ends the process with exit code 0, except an uninstaller that refuses a changed
// install log (kStartupRefusedExitCode); an unexpected error ends it through the error
// report.
#include <windows.h>

#include <exception>
#include <memory>

#include "platform/process.h"
#include "platform/system_info.h"
#include "platform/win32/system_library.h"
#include "script/setup_context.h"
#include "setup/error_report.h"
#include "setup/self_verification.h"
#include "setup/startup_sequence.h"
#include "ui/win32/frm_main.h"
#include "ui/win32/frm_verify.h"

namespace {

// Frees the main form (unshown, or closed by the user) and ends with the exit code.
[[noreturn]] void EndRun(std::unique_ptr<setup::ui::TFrmMain>& mainForm, uint32_t exitCode = 0) {
  mainForm.reset();
  setup::platform::ExitProcess(exitCode);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: none from the setup's folder or the working folder.
  setup::platform::win32::LockDllSearchPath();
  using namespace setup;
  // Outlives the handlers below, so that the error report can still describe the setup.
  SetupContext context;
  ErrorReportContextScope reportContext(context);
  try {
    platform::UseDotDecimalSeparator();
    context.SystemLangID = platform::SystemDefaultLangId();

    // The main form (hidden, with its idle worker thread) is made while the
    // verification window pauses after the last entry, where it costs no time; every
    // failure after that frees it before the process ends.
    std::unique_ptr<ui::TFrmMain> mainForm;

    // The application title ("Verifying Contents") names the task-bar button; the
    // verification window is a tool window without one, and the main form is hidden,
    // so until the wizard shows there is nothing to carry it.
    {
      ui::TFrmVerify frmVerify;
      frmVerify.Show();
      const VerificationOutcome outcome =
          OpenAndVerifyPackage(context, platform::CommandLineArguments(), platform::ModuleFileName(), frmVerify,
                               [&] { mainForm = std::make_unique<ui::TFrmMain>(context); });
      // Failures were shown already.
      if (outcome != VerificationOutcome::Verified) EndRun(mainForm);
    }

    // Loading, then the main form until the user closes it; a failure was shown when
    // it does not get that far. Either way the run is over.
    const StartupOutcome outcome = FinishStartup(context, platform::ModuleFileName(), *mainForm);
    EndRun(mainForm, outcome == StartupOutcome::Refused ? kStartupRefusedExitCode : 0);
  } catch (const VerificationStageError& e) {
    WriteErrorReport(e.what(), "Verification Stage");
  } catch (const std::exception& e) {
    WriteErrorReport(e.what(), "");
  } catch (...) {
    WriteErrorReport("", "");
  }
}
