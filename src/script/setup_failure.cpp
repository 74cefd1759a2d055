#include "script/setup_failure.h"

#include "script/setup_context.h"

namespace setup {

namespace {
constexpr uint16_t kSetupFailedText = 23;  // "Setup failed to install patch."
}  // namespace

void MarkSetupFailed(SetupContext& context) {
  context.HandOff.SetFinishText(context.Languages.GetString(kSetupFailedText), /*repaint=*/true);
  context.Run.SetupFailed = true;
}

}  // namespace setup
