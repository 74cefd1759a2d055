// setupc verify PACKAGE: checks every entry the way the setup does at start-up.

#include <ostream>

#include "base/errors.h"
#include "package/pak.h"
#include "setupc/commands.h"
#include "setupc/package_input.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

int VerifyCommand(const VerifyOptions& options, std::ostream& out, std::ostream& err) {
  TPak pak;
  if (!OpenPackage(pak, options.package, err)) return kExitUsage;

  const size_t count = pak.Count();
  size_t failed = 0;
  size_t unread = 0;
  for (size_t i = 0; i < count; ++i) {
    const TPakEntry& entry = pak.Entries()[i];
    // An empty entry has nothing to check; a large one is never read (as in the setup).
    if (entry.IsEmpty()) continue;
    if (entry.IsLarge()) ++unread;
    bool passed = false;
    try {
      passed = pak.VerifyEntry(i);
    } catch (const SetupError& e) {
      ReportError(err, EntryLabel(i, entry) + ": " + e.what());
    }
    if (!passed) {
      ++failed;
      out << "FAILED " << i << " " << AnsiToNative(entry.Name) << "\n";
    }
  }

  if (failed != 0) {
    out << failed << " of " << CountOf(count, "entry", "entries") << " failed verification\n";
    return kExitFailed;
  }
  out << CountOf(count, "entry", "entries") << " verified";
  if (unread != 0) out << " (" << CountOf(unread, "large entry", "large entries") << " not read)";
  out << "\n";
  return kExitOk;
}

}  // namespace setup::setupc
