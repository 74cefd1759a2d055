// setupc log [--json] FILE: the three lists of an install log, unscrambled, and the
// SHA-256 of the file, which the installation's registration holds as
// "InstallLogDigest" (so that support staff can compare the two).

#include <ostream>

#include "installlog/install_log.h"
#include "platform/files.h"
#include "setupc/commands.h"
#include "setupc/json_output.h"
#include "setupc/package_input.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

struct LogList {
  const char* title;     // human output
  const char* jsonName;  // JSON key
  const std::vector<std::string>* entries;
  uint16_t announced;
};

std::vector<LogList> ListsOf(const InstallLogImage& image) {
  return {{"Files", "files", &image.Lists.Files, image.Announced[0]},
          {"Registry entries", "registry", &image.Lists.RegistryEntries, image.Announced[1]},
          {"Folders", "folders", &image.Lists.Folders, image.Announced[2]}};
}

// The digest's text, or a word that cannot be mistaken for one.
std::string DigestText(const std::string& digest) { return digest.empty() ? "unavailable" : digest; }

void WriteHuman(const InstallLogImage& image, const std::string& digest, std::ostream& out) {
  for (const LogList& list : ListsOf(image)) {
    out << list.title << ": " << list.entries->size();
    if (list.entries->size() != list.announced) out << " of " << list.announced;
    out << "\n";
    for (const std::string& entry : *list.entries) out << "  " << OneLine(AnsiToUtf8(entry)) << "\n";
  }
  out << "SHA-256: " << DigestText(digest) << "\n";
}

void WriteLogJson(const InstallLogImage& image, const std::string& digest, std::ostream& out) {
  Json document = Json::object();
  for (const LogList& list : ListsOf(image)) {
    Json entries = Json::array();
    for (const std::string& entry : *list.entries) entries.push_back(AnsiJson(entry));
    document[list.jsonName] = std::move(entries);
  }
  document["announced"] = {image.Announced[0], image.Announced[1], image.Announced[2]};
  document["complete"] = image.Complete;
  document["sha256"] = digest.empty() ? Json(nullptr) : Json(digest);
  WriteJson(document, out);
}

}  // namespace

int LogCommand(const LogOptions& options, std::ostream& out, std::ostream& err) {
  InstallLogImage image;
  std::string digest;
  if (!platform::FileExists(options.file) || !ReadInstallLogFile(options.file, image, UninstallLogKey, &digest)) {
    ReportError(err,
                "cannot read " + options.file + (platform::FileExists(options.file) ? "" : ": no such file"));
    return kExitUsage;
  }
  if (options.json) {
    WriteLogJson(image, digest, out);
  } else {
    WriteHuman(image, digest, out);
  }
  if (image.Complete) return kExitOk;

  if (!image.HeaderComplete) {
    ReportError(err, options.file + ": damaged log: shorter than its 6-byte header, no entries read");
  } else {
    const size_t announced = size_t{image.Announced[0]} + image.Announced[1] + image.Announced[2];
    const size_t read =
        image.Lists.Files.size() + image.Lists.RegistryEntries.size() + image.Lists.Folders.size();
    ReportError(err, options.file + ": damaged log: it ends early, " + std::to_string(read) + " of " +
                         CountOf(announced, "entry", "entries") + " read");
  }
  return kExitFailed;
}

}  // namespace setup::setupc
