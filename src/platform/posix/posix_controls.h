#pragma once
// Settings of the posix platform that tests and the native tools steer.

#include <cstdint>
#include <string>
#include <vector>

namespace setup::platform::posix {

// The folder that stands in for the drives: "X:\a\b" maps to <root>/X/a/b.
// Empty: the environment variable SETUP_SANDBOX_ROOT, else "<tmp>/setup-sandbox".
void SetSandboxRoot(const std::string& root);
std::string SandboxRoot();
// Maps a Windows-style path to a local one: a drive path goes into the sandbox, any
// other path keeps its place with "\" turned into "/".
std::string MapPath(const std::string& path);

void SetCommandLine(const std::vector<std::string>& arguments, const std::string& moduleFileName);

void SetSystemDefaultLangId(uint16_t langId);

// With a manual clock, TickCount returns a counter that only SleepMs advances.
void SetManualClock(bool manual, uint32_t start = 0);

}  // namespace setup::platform::posix
