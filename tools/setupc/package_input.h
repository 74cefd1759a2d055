#pragma once
// What the reading commands (list, verify, extract) share: opening the package named
// on the command line and naming entries in messages.

#include <cstddef>
#include <iosfwd>
#include <string>

#include "package/pak.h"

namespace setup::setupc {

// Opens path for reading. When the file cannot be read, holds no package or a damaged
// one, reports that on err and returns false (the caller exits with kExitUsage).
bool OpenPackage(TPak& pak, const std::string& path, std::ostream& err);

// "entry 2 (data\big.bin)", the name as the console shows it.
std::string EntryLabel(size_t index, const TPakEntry& entry);

// "1 entry", "3 entries".
std::string CountOf(size_t count, const char* one, const char* many);

}  // namespace setup::setupc
