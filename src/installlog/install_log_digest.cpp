#include "installlog/install_log_digest.h"

#include <algorithm>
#include <optional>

#include "installlog/uninstall_registration.h"
#include "platform/registry.h"

namespace setup {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace

LogDigestCheck CheckInstallLogDigest(const std::string& shortName, const std::string& loadedDigest, uint32_t root) {
  const std::optional<std::string> productKey = ProductUninstallKey(shortName);
  if (!productKey) return LogDigestCheck::NotRecorded;
  platform::RegistryKey key;
  if (!key.Open(root, *productKey)) return LogDigestCheck::NotRecorded;
  const std::optional<std::string> recorded = key.ReadString(kInstallLogDigestValue);
  if (!recorded) return LogDigestCheck::NotRecorded;
  // A digest that could not be made cannot vouch for the log.
  if (loadedDigest.empty() || !EqualIgnoringAsciiCase(*recorded, loadedDigest)) return LogDigestCheck::Differs;
  return LogDigestCheck::Matches;
}

std::string InstallLogChangedMessage(const std::string& logPath, bool removing) {
  return "Error: install log has been changed since the installation\r\r" + logPath +
         (removing ? "\r\rNothing has been removed." : "\r\rIts entries have not been taken over.");
}

}  // namespace setup
