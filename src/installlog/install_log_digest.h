#pragma once
// Whether the install log an uninstaller loaded is the one its installation saved. The
// log lies in the installation folder, which standard users may be able to write (a
// folder the user picked); a log they wrote could make the next administrator who
// uninstalls delete any file or registry value of the machine. The registration, below
// HKEY_LOCAL_MACHINE and writable by administrators only, holds the SHA-256 of the log
// the installation saved ("InstallLogDigest"); the uninstaller compares it with the
// digest of the log it loaded before it removes anything.

#include <cstdint>
#include <string>

namespace setup {

enum class LogDigestCheck {
  NotRecorded,  // no registration or no digest in it (a setup older than the digest)
  Matches,      // the log is the one the installation saved
  Differs,      // changed since, or its digest could not be made: remove nothing
};

// Compares loadedDigest (hex, empty when it could not be made) with the digest in the
// registration of the product of that short name under root (RegistrationRoot).
// Hexadecimal letters match in any case.
LogDigestCheck CheckInstallLogDigest(const std::string& shortName, const std::string& loadedDigest, uint32_t root);

// The text of the box that refuses a changed log, naming it: logPath as the user
// knows it. The uninstaller (removing) says that nothing was removed; an installer
// reading the log back says that its entries were not taken over.
std::string InstallLogChangedMessage(const std::string& logPath, bool removing = true);

}  // namespace setup
