#include "setup/unattended_run.h"

#include <chrono>
#include <thread>

#include "script/install_run.h"
#include "script/setup_context.h"
#include "uninstall/finaliser_launch.h"
#include "uninstall/uninstall_run.h"

namespace setup {

namespace {

// The removal shows nothing unattended.
class SilentRemovalView final : public IRemovalView {
 public:
  void SetStatus(const std::u16string&) override {}
  void SetGaugeMax(int32_t) override {}
  void SetGaugePosition(int32_t) override {}
  void Repaint() override {}
};

ExitCode InstallUnattended(SetupContext& context, const TSetupThread::ErrorHandler& onError) {
  PrepareInstallRun(context);
  context.Log.Write("install run started");
  {
    TSetupThread worker(context, onError);
    worker.Running = true;
    while (worker.Running) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  context.Log.Write(context.Run.SetupFailed ? "install run failed" : "install run done");
  return context.Run.SetupFailed ? ExitCode::ScriptFailed : ExitCode::Success;
}

ExitCode UninstallUnattended(SetupContext& context) {
  context.Log.Write("removal started");
  SilentRemovalView view;
  RunRemoval(context, view);
  context.Log.Write("removal done");
  // The uninstaller cannot delete its own file; the finaliser does once this ends.
  if (!RunFinaliser(context)) context.Log.Write("the finaliser could not be started");
  return ExitCode::Success;
}

}  // namespace

ExitCode RunUnattended(SetupContext& context, const TSetupThread::ErrorHandler& onError) {
  return context.SetupInfo.IsUninstaller == 1 ? UninstallUnattended(context) : InstallUnattended(context, onError);
}

}  // namespace setup
