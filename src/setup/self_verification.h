#pragma once
// The first half of start-up after the forms exist: open the package (the running
// executable's own, or the file named by the first argument), reject a file without
// a package, and verify every entry under the verification window.

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "script/setup_context.h"
#include "setup/verify_view.h"

namespace setup {

inline constexpr const char* kInvalidHeaderMessage =
    "Invalid Setup Header. No Contents or Corrupted Contents.";

enum class VerificationOutcome {
  Verified,       // the package is open and every entry passed
  InvalidHeader,  // no package: the message was shown; end with ExitCode::DamagedSetup
  EntryFailed,    // an entry failed: the message was shown; free the main form, end
                  // with ExitCode::DamagedSetup
};

// An exception raised inside the verification loop, for the error report with the
// error type "Verification Stage".
class VerificationStageError : public std::runtime_error {
 public:
  explicit VerificationStageError(const std::string& message) : std::runtime_error(message) {}
};

// The package file to open: the package argument (the first argument that is no
// switch, see setup_arguments.h) when it names an existing file (not a folder), else
// the running executable. external tells which.
std::string ChoosePackageFile(const std::vector<std::string>& arguments, const std::string& moduleFileName,
                              bool& external);

// Steps 7 to 12 of start-up: status "Loading Header", open, check the trailer, the
// verification loop, the 500 ms pause (only when the view is shown). Fills context.Package, ExternalPackage and
// the first space-required figure (the sizes of all entries outside group 0). The caller destroys the window
// afterwards.
// duringPause, when given, runs once every entry has passed, inside the pause (work
// that shows nothing, such as creating the hidden main form, then costs no time).
VerificationOutcome OpenAndVerifyPackage(SetupContext& context, const std::vector<std::string>& arguments,
                                         const std::string& moduleFileName, IVerifyView& view,
                                         const std::function<void()>& duringPause = {});

}  // namespace setup
