#include "setup/message_log.h"

#include <array>
#include <string_view>

#include "platform/codepage.h"
#include "script/run_log.h"

namespace setup {

namespace {

// The captions of the boxes that report a failure of the setup itself.
constexpr std::array<std::u16string_view, 7> kFailureCaptions = {
    u"Error", u"Setup Error", u"Verification Error", u"VFS Error", u"Missing File", u"Rich Edit Error",
    u"Error Report"};

bool IsFailureBox(const platform::MessageRequest& request) {
  if (request.buttons != platform::MessageButtons::Ok) return false;
  for (std::u16string_view caption : kFailureCaptions) {
    if (request.caption == caption) return true;
  }
  return false;
}

const char16_t* AnswerName(int answer) {
  switch (answer) {
    case platform::kAnswerOk: return u"OK";
    case platform::kAnswerCancel: return u"Cancel";
    case platform::kAnswerRetry: return u"Retry";
    case platform::kAnswerYes: return u"Yes";
    case platform::kAnswerNo: return u"No";
    default: return u"closed";
  }
}

}  // namespace

int DefaultAnswer(platform::MessageButtons buttons) {
  switch (buttons) {
    case platform::MessageButtons::Ok:
    case platform::MessageButtons::OkCancel: return platform::kAnswerOk;
    case platform::MessageButtons::YesNo:
    case platform::MessageButtons::YesNoCancel: return platform::kAnswerYes;
    case platform::MessageButtons::RetryCancel: return platform::kAnswerCancel;
  }
  return platform::kAnswerOk;
}

MessageLogScope::MessageLogScope(TRunLog& log, bool unattended) {
  // Boxes that are shown go where they went before (the system's box, or a test's).
  previous_ = platform::SetMessageHandler({});
  platform::SetMessageHandler([&log, unattended, show = previous_](const platform::MessageRequest& request) {
    platform::MessageRequest shown = request;
    const bool failure = IsFailureBox(request);
    if (failure) {
      log.MarkFailed();
      shown.text += platform::AnsiToWide(log.FailureNote());
    }
    int answer;
    if (unattended) {
      answer = DefaultAnswer(request.buttons);
    } else {
      answer = show ? show(shown) : platform::SystemMessageBox(shown);
    }
    log.Write({failure ? u"error box \"" : u"message box \"", request.caption, u"\": ", request.text,
               unattended ? u" (not shown: " : u" (answered ", AnswerName(answer), u")"});
    if (failure) log.MarkFailed();  // the box's line reaches the file before anything ends
    return answer;
  });
}

MessageLogScope::~MessageLogScope() { platform::SetMessageHandler(std::move(previous_)); }

}  // namespace setup
