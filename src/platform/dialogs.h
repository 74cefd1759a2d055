#pragma once
// Message boxes: plain, no owner window. A test (or a console tool) replaces the
// handler to see the text and caption and to choose the answer.

#include <functional>
#include <string>

namespace setup::platform {

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageIcon { None, Question, Warning };

// The answers, with the values the Windows API gives them.
enum MessageAnswer : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerRetry = 4, kAnswerYes = 6, kAnswerNo = 7 };

struct MessageRequest {
  std::u16string text;
  std::u16string caption;
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
};

using MessageHandler = std::function<int(const MessageRequest&)>;

// Shows the box (or hands it to the installed handler) and returns the answer.
int ShowMessage(const std::u16string& text, const std::u16string& caption,
                MessageButtons buttons = MessageButtons::Ok, MessageIcon icon = MessageIcon::None);
// The same for text in the system code page.
int ShowMessage(const std::string& text, const std::string& caption,
                MessageButtons buttons = MessageButtons::Ok, MessageIcon icon = MessageIcon::None);

// Installs a handler (an empty one restores the system's box); returns the previous one.
MessageHandler SetMessageHandler(MessageHandler handler);

// The system's own box; implemented once per platform.
int SystemMessageBox(const MessageRequest& request);

}  // namespace setup::platform
