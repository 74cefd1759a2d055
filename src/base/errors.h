#pragma once
// The error type the system raises: a C++ exception carrying the system's exact message.
// Top-level handlers (start-up, worker thread, wizard) turn it into the error report.

#include <stdexcept>
#include <string>

namespace setup {

class SetupError : public std::runtime_error {
 public:
  explicit SetupError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace setup
