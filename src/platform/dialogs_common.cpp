#include "platform/codepage.h"
#include "platform/dialogs.h"

#include <mutex>
#include <utility>

namespace setup::platform {

namespace {
std::mutex handlerMutex;
MessageHandler& CurrentHandler() {
  static MessageHandler handler;
  return handler;
}
}  // namespace

int ShowMessage(const std::u16string& text, const std::u16string& caption, MessageButtons buttons,
                MessageIcon icon) {
  MessageRequest request{text, caption, buttons, icon};
  MessageHandler handler;
  {
    std::lock_guard<std::mutex> lock(handlerMutex);
    handler = CurrentHandler();
  }
  return handler ? handler(request) : SystemMessageBox(request);
}

int ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons, MessageIcon icon) {
  return ShowMessage(AnsiToWide(text), AnsiToWide(caption), buttons, icon);
}

MessageHandler SetMessageHandler(MessageHandler handler) {
  std::lock_guard<std::mutex> lock(handlerMutex);
  return std::exchange(CurrentHandler(), std::move(handler));
}

}  // namespace setup::platform
