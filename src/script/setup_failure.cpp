#include "script/setup_failure.h"

#include "platform/codepage.h"
#include "script/setup_context.h"

namespace setup {

namespace {
constexpr uint16_t kSetupFailedText = 23;  // "Setup failed to install patch."
}  // namespace

void MarkSetupFailed(SetupContext& context) {
  const std::u16string text = context.Languages.GetString(kSetupFailedText);
  context.Log.Write({u"run failed: ", text});
  context.Log.MarkFailed();
  // The log of a failed run stays in the temporary folder; the finish page says where.
  context.HandOff.SetFinishText(text + platform::AnsiToWide(context.Log.FailureNote()), /*repaint=*/true);
  context.Run.SetupFailed = true;
}

}  // namespace setup
