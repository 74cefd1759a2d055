// The setup stub's entry point. It reads the command line, opens the run's log,
// prepares the process, opens the package (appended to this executable, or the file
// named on the command line), verifies every entry under the verification window,
// loads the setup and hands over to the main form, or, with /S, runs without any
// window. It ends with the exit code of exit_code.h; an unexpected error ends it
// through the error report (code 5).
#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "platform/process.h"
#include "platform/system_info.h"
#include "platform/win32/system_library.h"
#include "script/setup_context.h"
#include "setup/error_report.h"
#include "setup/message_log.h"
#include "setup/self_verification.h"
#include "setup/setup_arguments.h"
#include "setup/startup_sequence.h"
#include "setup/unattended_run.h"
#include "ui/win32/frm_main.h"
#include "ui/win32/frm_verify.h"

namespace {

// Unattended, verification shows nothing.
class HiddenVerifyView final : public setup::IVerifyView {
 public:
  void SetStatus(const std::string&) override {}
  void SetProgress(uint32_t, uint32_t) override {}
  void Repaint() override {}
  bool Shown() const override { return false; }
};

// Writes the exit code into the log and closes it (a temporary log of a run that did
// not fail is removed), frees the main form (unshown, or closed by the user) and ends.
[[noreturn]] void EndRun(setup::SetupContext& context, std::unique_ptr<setup::ui::TFrmMain>& mainForm,
                         setup::ExitCode code) {
  mainForm.reset();
  context.Log.Write({"exit code ", std::to_string(setup::ToProcessExitCode(code))});
  if (code != setup::ExitCode::Success && code != setup::ExitCode::Cancelled) context.Log.MarkFailed();
  context.Log.Finish();
  setup::platform::ExitProcess(setup::ToProcessExitCode(code));
}

void OpenRunLog(setup::SetupContext& context, const setup::SetupArguments& arguments) {
  setup::TRunLog& log = context.Log;
  if (!arguments.LogFile || !log.Open(*arguments.LogFile)) log.OpenTemporary();
  log.Write({"setup program: ", setup::platform::ModuleFileName()});
  log.Write(arguments.Unattended ? "unattended (/S)" : "with the wizard");
}

// The error report for a failure that left the handlers of wWinMain. The boxes of the
// run (gone with the try block) are logged again, so that the report's box names a log
// kept in the temporary folder and an unattended run shows no box.
[[noreturn]] void ReportUnexpected(setup::SetupContext& context, const std::string& text, const std::string& type) {
  const setup::MessageLogScope boxes(context.Log, context.Unattended);
  setup::WriteErrorReport(text, type);
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
    const std::vector<std::string> commandLine = platform::CommandLineArguments();
    const SetupArguments arguments = ParseSetupArguments(commandLine);
    context.Unattended = arguments.Unattended;
    OpenRunLog(context, arguments);
    SetErrorReportLog(&context.Log, arguments.Unattended);
    const MessageLogScope boxes(context.Log, arguments.Unattended);

    platform::UseDotDecimalSeparator();
    context.SystemLangID = platform::SystemDefaultLangId();

    // The main form (hidden, with its idle worker thread) is made while the
    // verification window pauses after the last entry, where it costs no time; every
    // failure after that frees it before the process ends. An unattended run has none.
    std::unique_ptr<ui::TFrmMain> mainForm;

    // The application title ("Verifying Contents") names the task-bar button; the
    // verification window is a tool window without one, and the main form is hidden,
    // so until the wizard shows there is nothing to carry it.
    {
      std::unique_ptr<ui::TFrmVerify> frmVerify;
      HiddenVerifyView hidden;
      IVerifyView* view = &hidden;
      if (!arguments.Unattended) {
        frmVerify = std::make_unique<ui::TFrmVerify>();
        frmVerify->Show();
        view = frmVerify.get();
      }
      const VerificationOutcome outcome = OpenAndVerifyPackage(
          context, commandLine, platform::ModuleFileName(), *view, [&] {
            if (!arguments.Unattended) mainForm = std::make_unique<ui::TFrmMain>(context);
          });
      // Failures were shown (or logged) already.
      if (outcome != VerificationOutcome::Verified) EndRun(context, mainForm, ExitCode::DamagedSetup);
    }

    // Loading, then the main form until the user closes it (or the unattended run); a
    // failure was shown when it does not get that far.
    const StartupOptions options{arguments.Folder, arguments.Unattended};
    if (arguments.Unattended) {
      const StartupOutcome outcome = ContinueStartup(context, platform::ModuleFileName(), options);
      const ExitCode code =
          outcome == StartupOutcome::Wizard
              ? RunUnattended(context, [](const std::string& message, const std::string& type) {
                  WriteErrorReport(message, type);
                })
              : ExitCodeOf(outcome);
      EndRun(context, mainForm, code);
    }
    const ExitCode code = FinishStartup(context, platform::ModuleFileName(), *mainForm, options);
    EndRun(context, mainForm, code);
  } catch (const VerificationStageError& e) {
    ReportUnexpected(context, e.what(), "Verification Stage");
  } catch (const std::exception& e) {
    ReportUnexpected(context, e.what(), "");
  } catch (...) {
    ReportUnexpected(context, "", "");
  }
}
