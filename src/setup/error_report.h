#pragma once
// The error report for unexpected errors at a top-level handler. It tells the user
// what happened and ends the process at once with exit code 0.

#include <string>

namespace setup {

// errorType: "Verification Stage", "Setup Thread", or empty (reported as "Unknown").
[[noreturn]] void WriteErrorReport(const std::string& errorText, const std::string& errorType);

}  // namespace setup
