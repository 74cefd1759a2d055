#pragma once
// "execute" (program, [arguments]): runs a program and waits for it.

#include "script/command_class.h"

namespace setup {

class TExecuteCommand final : public TCommandClass {
 public:
  TExecuteCommand();

  // Expands the program and the arguments (the expanded texts replace the line's
  // parameters), starts the program through the shell and, when it started, checks
  // every millisecond until it has ended, the setup has failed or the process is
  // shutting down; then releases the process handle. A program that cannot be started
  // is skipped silently; its exit code is not used. A line without parameters does
  // nothing.
  void SFXProcess(SetupContext& context, int32_t lineIndex) override;
};

}  // namespace setup
