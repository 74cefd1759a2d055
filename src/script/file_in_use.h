#pragma once
// Payload files that cannot be written. A file the setup must replace may be in use
// (the product is still running, a virus scanner reads it); any other file may be
// refused by the system (a folder of the same name in its place, a read-only file, a
// full disk). Either way the user gets a "Retry / Cancel" box that names the file;
// unattended, the setup tries again a few times over about five seconds. Giving up
// fails the run as "failure" does, with the file named in the log. No payload file is
// ever left unwritten without a word.

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
// "Error: The file could not be written:" CR path CR reason CR CR "Press Retry to try
// again. Cancel stops the setup."
std::string FileNotWrittenMessage(const std::string& path, const std::string& reason);

// Creates (or truncates) target for writing into out. True when it is open. False when
// it cannot be, once the user cancelled (or the unattended tries ran out); the run is
// then marked failed.
bool OpenPayloadFile(SetupContext& context, const std::string& target, platform::File& out);

// After target was opened but could not be written whole (the system's reason is the
// last file error): asks, or unattended waits, as for a file that cannot be opened;
// tries counts the writes made so far. True to write it again; false when the user
// cancelled (or the tries ran out), and then the run is marked failed.
bool RetryPayloadWrite(SetupContext& context, const std::string& target, uint32_t tries);

}  // namespace setup
