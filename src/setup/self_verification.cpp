#include "setup/self_verification.h"

#include <exception>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "package/pak_verifier.h"
#include "setup/setup_arguments.h"

namespace setup {

namespace {

constexpr uint32_t kPauseAfterVerifyMs = 500;

std::string StatusText(size_t done, size_t count) {
  return "Status: " + std::to_string(done) + " out of " + std::to_string(count) + " files verifyed";
}

// Waits until the pause has passed since `since`, without processing any input.
void PauseSince(uint32_t since) {
  for (;;) {
    const uint32_t elapsed = platform::TickCount() - since;
    if (elapsed >= kPauseAfterVerifyMs) return;
    platform::SleepMs(kPauseAfterVerifyMs - elapsed);
  }
}

}  // namespace

std::string ChoosePackageFile(const std::vector<std::string>& arguments, const std::string& moduleFileName,
                              bool& external) {
  const std::optional<std::string> package = ParseSetupArguments(arguments).Package;
  external = package && platform::FileExists(*package);
  return external ? *package : moduleFileName;
}

VerificationOutcome OpenAndVerifyPackage(SetupContext& context, const std::vector<std::string>& arguments,
                                         const std::string& moduleFileName, IVerifyView& view,
                                         const std::function<void()>& duringPause) {
  view.SetStatus("Loading Header");
  view.SetProgress(0, 100);
  view.Repaint();

  const std::string packageFile = ChoosePackageFile(arguments, moduleFileName, context.ExternalPackage);
  context.Log.Write({"package: ", packageFile});
  TPak& package = context.Package;
  package.Create(packageFile);
  // A trailer whose table does not fit the file is as unusable as no trailer at all.
  if (!package.HasPackage()) {
    platform::ShowMessage(std::string(kInvalidHeaderMessage), std::string("Error"));
    return VerificationOutcome::InvalidHeader;
  }

  const size_t count = package.Count();
  view.SetStatus(StatusText(0, count));
  view.SetProgress(0, static_cast<uint32_t>(count));
  view.Repaint();

  // The entries are checked on every processor; their outcomes arrive in table order,
  // so the window advances and the first failure is reported as one loop would.
  int64_t requiredSpace = 0;
  TPakVerifier verifier(package, VerifyWorkerCount());
  for (size_t i = 0; i < count; ++i) {
    const TPakEntry& entry = package.Entries()[i];
    const EntryVerification outcome = verifier.Next();
    if (outcome.Error) {
      verifier.Stop();
      try {
        std::rethrow_exception(outcome.Error);
      } catch (const std::exception& e) {
        throw VerificationStageError(e.what());
      }
    }
    if (!outcome.Passed) {
      verifier.Stop();
      if (outcome.WrongLength) package.ReportWrongLength(i, outcome.InflatedLength);
      platform::ShowMessage("Error: Verification Failed. Setup is corrupt.\rID: " + std::to_string(i) +
                                " Filename: " + entry.Name,
                            std::string("Verification Error"));
      return VerificationOutcome::EntryFailed;
    }
    if (entry.Group != 0) requiredSpace += entry.Size;
    view.SetStatus(StatusText(i + 1, count));
    view.SetProgress(static_cast<uint32_t>(i + 1), static_cast<uint32_t>(count));
    view.Repaint();
  }

  // The first figure of the space required; start-up refines it from the script.
  context.Variables.SetRequiredSpace(requiredSpace);
  const uint32_t loopEnded = platform::TickCount();
  if (duringPause) duringPause();
  // The pause lets a person see the window complete; a hidden one needs none.
  if (view.Shown()) PauseSince(loopEnded);
  return VerificationOutcome::Verified;
}

}  // namespace setup
