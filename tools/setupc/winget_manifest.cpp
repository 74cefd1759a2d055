#include "setupc/winget_manifest.h"

#include <yaml-cpp/yaml.h>

#include <utility>

namespace setup::setupc {

namespace {

// What the setup's exit codes mean to the package manager (0 is success by default;
// no other code means success).
constexpr std::pair<int, const char*> kReturnCodes[] = {
    {1, "cancelledByUser"},   // the wizard was left before its end
    {2, "contactSupport"},    // the script failed (a file held or refused, "failure")
    {3, "contactSupport"},    // the setup file is damaged
    {4, "invalidParameter"},  // start-up refused: the folder, the file name, the space
    {5, "contactSupport"},    // an internal error, after the error report
};

void Header(YAML::Emitter& out, const char* type) {
  out << YAML::Comment(std::string("yaml-language-server: $schema=https://aka.ms/winget-manifest.") + type + "." +
                       kWingetSchemaVersion + ".schema.json")
      << YAML::Newline << YAML::Comment("Written by setupc") << YAML::Newline << YAML::BeginMap;
}

void Identity(YAML::Emitter& out, const WingetPackage& package) {
  out << YAML::Key << "PackageIdentifier" << YAML::Value << package.id;
  // Quoted, so that "1.10" stays text and never becomes the number 1.1.
  out << YAML::Key << "PackageVersion" << YAML::Value << YAML::DoubleQuoted << package.version;
}

std::string Footer(YAML::Emitter& out, const char* manifestType) {
  out << YAML::Key << "ManifestType" << YAML::Value << manifestType;
  out << YAML::Key << "ManifestVersion" << YAML::Value << kWingetSchemaVersion;
  out << YAML::EndMap;
  return std::string(out.c_str()) + "\n";
}

std::string VersionFile(const WingetPackage& package) {
  YAML::Emitter out;
  Header(out, "version");
  Identity(out, package);
  out << YAML::Key << "DefaultLocale" << YAML::Value << "en-US";
  return Footer(out, "version");
}

std::string InstallerFile(const WingetPackage& package) {
  YAML::Emitter out;
  Header(out, "installer");
  Identity(out, package);
  out << YAML::Key << "InstallerType" << YAML::Value << "exe";
  out << YAML::Key << "Scope" << YAML::Value << (package.perUser ? "user" : "machine");
  out << YAML::Key << "InstallModes" << YAML::Value << YAML::Flow << YAML::BeginSeq << "interactive" << "silent"
      << "silentWithProgress" << YAML::EndSeq;
  out << YAML::Key << "InstallerSwitches" << YAML::Value << YAML::BeginMap;
  out << YAML::Key << "Silent" << YAML::Value << "/S";
  out << YAML::Key << "SilentWithProgress" << YAML::Value << "/S";
  out << YAML::Key << "InstallLocation" << YAML::Value << "/D=<INSTALLPATH>";
  out << YAML::Key << "Log" << YAML::Value << "/LOG=<LOGPATH>";
  out << YAML::EndMap;
  out << YAML::Key << "ExpectedReturnCodes" << YAML::Value << YAML::BeginSeq;
  for (const auto& [code, response] : kReturnCodes) {
    out << YAML::BeginMap << YAML::Key << "InstallerReturnCode" << YAML::Value << code << YAML::Key
        << "ReturnResponse" << YAML::Value << response << YAML::EndMap;
  }
  out << YAML::EndSeq;
  // A setup for the machine asks Windows for administrator rights itself (its manifest).
  if (!package.perUser) out << YAML::Key << "ElevationRequirement" << YAML::Value << "elevatesSelf";
  out << YAML::Key << "AppsAndFeaturesEntries" << YAML::Value << YAML::BeginSeq << YAML::BeginMap;
  out << YAML::Key << "DisplayName" << YAML::Value << package.name;
  out << YAML::Key << "Publisher" << YAML::Value << package.publisher;
  out << YAML::Key << "DisplayVersion" << YAML::Value << YAML::DoubleQuoted << package.version;
  out << YAML::EndMap << YAML::EndSeq;
  out << YAML::Key << "Installers" << YAML::Value << YAML::BeginSeq << YAML::BeginMap;
  out << YAML::Key << "Architecture" << YAML::Value << "x86";  // the stub is a 32-bit program
  if (!package.installerUrl.empty()) out << YAML::Key << "InstallerUrl" << YAML::Value << package.installerUrl;
  out << YAML::Key << "InstallerSha256" << YAML::Value << package.sha256;
  out << YAML::EndMap << YAML::EndSeq;
  return Footer(out, "installer");
}

std::string LocaleFile(const WingetPackage& package) {
  YAML::Emitter out;
  Header(out, "defaultLocale");
  Identity(out, package);
  out << YAML::Key << "PackageLocale" << YAML::Value << "en-US";
  out << YAML::Key << "Publisher" << YAML::Value << package.publisher;
  out << YAML::Key << "PackageName" << YAML::Value << package.name;
  if (!package.productUrl.empty()) out << YAML::Key << "PackageUrl" << YAML::Value << package.productUrl;
  out << YAML::Key << "License" << YAML::Value << package.license;
  out << YAML::Key << "ShortDescription" << YAML::Value << package.description;
  return Footer(out, "defaultLocale");
}

}  // namespace

std::optional<WingetFiles> WingetManifests(const WingetPackage& package) {
  return WingetFiles{VersionFile(package), InstallerFile(package), LocaleFile(package)};
}

}  // namespace setup::setupc
