// setupc winget SETUP --id PUBLISHER.PRODUCT [--url URL] [-o DIR] [--license TEXT]
// [--description TEXT]: writes the manifest set a package manager needs to install the
// setup silently and to recognise the installed program afterwards.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <ostream>
#include <string_view>

#include "platform/files.h"
#include "platform/sha256.h"
#include "script/setup_context.h"
#include "setupc/commands.h"
#include "setupc/local_files.h"
#include "setupc/setup_input.h"
#include "setupc/setupc.h"
#include "setupc/text.h"
#include "setupc/winget_manifest.h"

namespace setup::setupc {

namespace {

// The package manager's own rules for identifiers, versions and addresses (the
// patterns of its manifest schema).
bool NameCharacter(char c) {
  return static_cast<unsigned char>(c) >= 0x20 && std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos;
}

bool IsVersion(std::string_view text) {
  return !text.empty() && text.size() <= 128 && std::all_of(text.begin(), text.end(), NameCharacter);
}

// Two to eight parts joined by ".", each 1 to 32 characters without blanks.
bool IsIdentifier(std::string_view text) {
  if (text.size() > 128) return false;
  size_t parts = 0;
  for (size_t start = 0;; ++parts) {
    const size_t end = std::min(text.find('.', start), text.size());
    const std::string_view part = text.substr(start, end - start);
    if (part.empty() || part.size() > 32 || !std::all_of(part.begin(), part.end(), [](char c) {
          return NameCharacter(c) && !std::isspace(static_cast<unsigned char>(c));
        })) {
      return false;
    }
    if (end == text.size()) return parts + 1 >= 2 && parts + 1 <= 8;
    start = end + 1;
  }
}

bool IsWebAddress(std::string_view text) {
  const std::string lower = AsciiLower(text.substr(0, 8));
  const size_t scheme = lower.rfind("https://", 0) == 0 ? 8 : lower.rfind("http://", 0) == 0 ? 7 : 0;
  return scheme != 0 && text.size() > scheme;
}

// The SHA-256 of the whole file, upper-case hex; empty when it cannot be read.
std::string FileSha256(const std::string& path) {
  platform::File file;
  platform::Sha256 digest;
  if (!file.Open(path, platform::OpenMode::ReadShared) || !digest.Ready()) return {};
  Bytes buffer(1 << 20);
  for (size_t got; (got = file.Read(buffer.data(), buffer.size())) > 0;) {
    if (!digest.Update(buffer.data(), got)) return {};
  }
  platform::Sha256Digest result{};
  if (!digest.Final(result)) return {};
  std::string hex = platform::DigestHex(result);
  for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return hex;
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

int WingetCommand(const WingetOptions& options, std::ostream& out, std::ostream& err) {
  if (!IsIdentifier(options.id)) {
    ReportError(err, "--id \"" + options.id + "\" is no package identifier: two to eight parts joined by \".\", "
                                              "each 1 to 32 characters without blanks or \\ / : * ? \" < > |");
    return kExitUsage;
  }
  if (!options.url.empty() && !IsWebAddress(options.url)) {
    ReportError(err, "--url \"" + options.url + "\" is no http or https address");
    return kExitUsage;
  }
  SetupContext context;
  if (const int code = LoadSetup(context, options.setup, err); code != kExitOk) return code;
  if (context.SetupInfo.IsUninstaller == 1) {
    ReportError(err, options.setup + " is an uninstaller; give the setup that installs the product");
    return kExitUsage;
  }
  const TProductFacts& facts = context.Facts;
  for (const auto& [value, keyword] : {std::pair{&facts.Version, "version"}, std::pair{&facts.Publisher, "publisher"}}) {
    if (value->empty()) {
      ReportError(err, options.setup + " has no \"" + keyword + "\" line; the package manager matches the installed "
                                       "program by its DisplayVersion and Publisher");
      return kExitFailed;
    }
  }
  WingetPackage package;
  package.id = options.id;
  package.version = AnsiToUtf8(facts.Version);
  package.publisher = AnsiToUtf8(facts.Publisher);
  package.name = AnsiToUtf8(context.SetupInfo.ShortName);
  package.description = options.description.empty() ? AnsiToUtf8(context.SetupInfo.SetupName) : options.description;
  package.license = options.license;
  package.perUser = facts.PerUser;
  package.installerUrl = options.url;
  if (!IsVersion(package.version)) {
    ReportError(err, "the setup's version \"" + package.version + "\" holds a character a package version may not");
    return kExitFailed;
  }
  if (const std::string url = AnsiToUtf8(facts.Url); IsWebAddress(url)) {
    package.productUrl = url;
  } else if (!url.empty()) {
    ReportError(err, "warning: the setup's url \"" + url + "\" is no http or https address; PackageUrl is left out");
  }
  package.sha256 = FileSha256(options.setup);
  if (package.sha256.empty()) {
    ReportError(err, "cannot read " + options.setup);
    return kExitFailed;
  }

  const std::optional<WingetFiles> files = WingetManifests(package);
  if (!files) {
    ReportError(err, "this setupc was built without a YAML library; run setupc winget of the Linux build");
    return kExitFailed;
  }
  std::error_code ec;
  std::filesystem::create_directories(FsPath(options.output), ec);
  for (const auto& [suffix, text] : {std::pair{".yaml", &files->version}, std::pair{".installer.yaml", &files->installer},
                                     std::pair{".locale.en-US.yaml", &files->locale}}) {
    const std::string path = JoinNativePath(options.output, options.id + suffix);
    if (!WriteText(path, *text)) {
      ReportError(err, "cannot write " + path);
      return kExitFailed;
    }
    out << "wrote " << path << "\n";
  }
  if (options.url.empty()) {
    ReportError(err, "warning: no --url: InstallerUrl, which the package manager needs, is left out");
  } else if (const std::string expected = AnsiToUtf8(context.SetupInfo.SetupExeName);
             AsciiLower(options.url.substr(options.url.find_last_of('/') + 1)) != AsciiLower(expected)) {
    ReportError(err, "warning: the setup starts only under the name " + expected +
                         "; let --url end in that name, which the package manager gives the file it downloads");
  }
  return kExitOk;
}

}  // namespace setup::setupc
