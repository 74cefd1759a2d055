#pragma once
// Message boxes and the run's log. While a MessageLogScope lives, every box is written
// to the log with the answer it got. A failure box (OK only, with one of the failure
// captions) marks the run as failed, so that the log is kept, and ends with the log's
// path when the log lies in the temporary folder. Unattended, no box is shown: each
// takes its default answer (OK, Yes; Cancel for Retry / Cancel, so that nothing waits
// for a user who is not there).

#include "platform/dialogs.h"

namespace setup {

class TRunLog;

// The answer a box takes when nobody is there to answer it.
int DefaultAnswer(platform::MessageButtons buttons);

class MessageLogScope {
 public:
  MessageLogScope(TRunLog& log, bool unattended);
  ~MessageLogScope();
  MessageLogScope(const MessageLogScope&) = delete;
  MessageLogScope& operator=(const MessageLogScope&) = delete;

 private:
  platform::MessageHandler previous_;
};

}  // namespace setup
