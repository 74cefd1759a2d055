#pragma once
// The manifest set a package manager (winget) reads for a setup: the version file, the
// installer file and the default-locale file, at one schema version. Every value comes
// from the setup itself or from the command line; docs/deploying.md lists the source of
// each field.

#include <optional>
#include <string>

namespace setup::setupc {

inline constexpr const char* kWingetSchemaVersion = "1.28.0";

// All text is UTF-8.
struct WingetPackage {
  std::string id;           // PUBLISHER.PRODUCT
  std::string version;      // "version": DisplayVersion and PackageVersion
  std::string publisher;    // "publisher"
  std::string name;         // ShortName: DisplayName and PackageName
  std::string description;  // ShortDescription (default: SetupName)
  std::string license;      // License
  std::string productUrl;   // "url": PackageUrl, when given
  bool perUser = false;     // "privileges user": scope user
  std::string installerUrl; // --url; empty: left out (warned about)
  std::string sha256;       // of the setup file, upper-case hex
};

struct WingetFiles {
  std::string version;    // <id>.yaml
  std::string installer;  // <id>.installer.yaml
  std::string locale;     // <id>.locale.en-US.yaml
};

// The three documents; nothing when this setupc was built without the YAML library.
std::optional<WingetFiles> WingetManifests(const WingetPackage& package);

}  // namespace setup::setupc
