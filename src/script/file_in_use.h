#pragma once
// Payload files that another program holds open. A file the setup must replace may be
// in use (the product is still running, a virus scanner reads it). The user gets a
// "Retry / Cancel" box that names the file; unattended, the setup tries again a few
// times over about five seconds. Giving up fails the run as "failure" does, with the
// file named in the log.

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace setup {

struct SetupContext;

inline constexpr const char* kFileInUseCaption = "Setup Error";
// Unattended: tries in all, and the pause before each further try.
inline constexpr uint32_t kUnattendedOpenTries = 5;
inline constexpr uint32_t kUnattendedRetryPauseMs = 1250;

// "Error: The file is in use by another program:" CR path CR CR "Close the program,
// then press Retry. Cancel stops the setup."
std::string FileInUseMessage(const std::string& path);

// Creates (or truncates) target for writing into out. True when it is open. False when
// it cannot be: for a file in use only after the user cancelled (or the unattended
// tries ran out), and then the run is marked failed.
bool OpenPayloadFile(SetupContext& context, const std::string& target, platform::File& out);

}  // namespace setup
