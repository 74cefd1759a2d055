// The setup stub's entry point: the first half of start-up. It prepares the process,
// opens the package (appended to this executable, or the file named by the first
// argument) and verifies every entry under the verification window.
#include <windows.h>

#include <exception>

#include "platform/process.h"
#include "platform/system_info.h"
#include "setup/error_report.h"
#include "setup/self_verification.h"
#include "script/setup_context.h"
#include "ui/win32/frm_verify.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace setup;
  try {
    platform::RestrictToFirstProcessor();
    platform::UseDotDecimalSeparator();

    SetupContext context;
    context.SystemLangID = platform::SystemDefaultLangId();

    // The main and debug forms are created hidden here once the wizard exists.

    // The application title ("Verifying Contents") names the task-bar button; the
    // verification window is a tool window without one, so until the main form
    // exists there is nothing to carry it.

    {
      ui::TFrmVerify frmVerify;
      frmVerify.Show();
      const VerificationOutcome outcome = OpenAndVerifyPackage(context, platform::CommandLineArguments(),
                                                               platform::ModuleFileName(), frmVerify);
      // Failures were shown already; the process ends with the window still up,
      // as every failure path of start-up ends with exit code 0.
      if (outcome != VerificationOutcome::Verified) platform::ExitProcess(0);
    }

    // The package is open and intact; loading the setup information, the script and
    // the languages follows here.
    platform::ExitProcess(0);
  } catch (const VerificationStageError& e) {
    WriteErrorReport(e.what(), "Verification Stage");
  } catch (const std::exception& e) {
    WriteErrorReport(e.what(), "");
  }
}
