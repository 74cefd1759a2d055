#pragma once
// The process-wide values of a setup run, created once at start-up and passed by
// reference, so that a test can build a fresh one.

#include <cstdint>

#include "package/pak.h"

namespace setup {

struct SetupContext {
  TPak Package;                 // the open package, for the whole run
  bool ExternalPackage = false; // read from the file named by the first argument
  uint16_t SystemLangID = 0;    // the system default language identifier
  int64_t RequiredSpace = 0;    // sizes of all entries whose group is not 0
};

}  // namespace setup
