#include <cstdio>

#include "platform/codepage.h"
#include "platform/dialogs.h"

namespace setup::platform {

// Without a screen, a box is a line on stderr and the first button is the answer
// (Cancel for Retry/Cancel).
int SystemMessageBox(const MessageRequest& request) {
  std::fprintf(stderr, "[%s] %s\n", WideToAnsi(request.caption).c_str(),
               WideToAnsi(request.text).c_str());
  switch (request.buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel: return kAnswerOk;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel: return kAnswerYes;
    // Retrying what nobody can put right would ask for ever.
    case MessageButtons::RetryCancel: return kAnswerCancel;
  }
  return kAnswerOk;
}

}  // namespace setup::platform
