#pragma once
// The setupc command line: one entry point that the program's main and the tests call
// with the arguments after the program name and the streams to write to.

#include <iosfwd>
#include <string>
#include <vector>

namespace setup::setupc {

// Exit codes, an interface that scripts and other tools rely on.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,  // the command ran and failed: an entry failed, a name was refused,
                    // a source was missing, the output could not be written
  kExitUsage = 2,   // bad arguments, or the input holds no readable package
};

// Runs one command. Message boxes raised inside (a damaged entry's) become lines on
// err for the duration of the call.
int RunSetupc(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// The usage text.
std::string UsageText();

}  // namespace setup::setupc
