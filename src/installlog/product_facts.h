#pragma once
// What the author says about the product beyond the setup information: whether the
// setup installs for the current user only ("privileges user"), and the version,
// publisher and web address the product's registration shows. The compiler stores them
// in the group-0 entry "ProductFacts" (and a copy for the uninstaller); a setup without
// the entry installs for the machine and registers none of the three values, as
// setups always did.
//
// The entry is 8-bit text in the system code page, one "key=value" per line (CR LF):
// "privileges" ("user" or "admin"), "version", "publisher", "url". Unknown keys and
// lines without "=" are passed over, so a later compiler may add keys.

#include <cstdint>
#include <string>
#include <string_view>

namespace setup {

class TPak;

inline constexpr const char* kProductFactsEntry = "ProductFacts";

struct TProductFacts {
  bool PerUser = false;
  std::string Version;
  std::string Publisher;
  std::string Url;

  bool operator==(const TProductFacts&) const = default;
};

TProductFacts ParseProductFacts(std::string_view text);
// The facts of the package's group-0 entry "ProductFacts"; the defaults without one.
TProductFacts LoadProductFacts(TPak& package);
std::string FormatProductFacts(const TProductFacts& facts);

// The registry root of the product's registration and its install log's digest:
// HKEY_CURRENT_USER for a per-user setup, else HKEY_LOCAL_MACHINE.
uint32_t RegistrationRoot(const TProductFacts& facts);

}  // namespace setup
