#pragma once
// What start-up needs from the main form once everything is loaded. The Windows build's
// form implements it; tests record the calls.

#include "setup/exit_code.h"

namespace setup {

class IMainForm {
 public:
  virtual ~IMainForm() = default;
  // Builds the pages from the setup that start-up loaded; the form is still hidden.
  virtual void SetPagesUp() = 0;
  // Shows the form and processes window messages until it closes; returns how the
  // wizard ended (finished, failed, or left by the user).
  virtual ExitCode Run() = 0;
};

}  // namespace setup
