// setupc log [--json] FILE: the three lists of an install log, unscrambled.

#include <ostream>

#include "platform/files.h"
#include "setupc/commands.h"
#include "setupc/json_output.h"
#include "setupc/package_input.h"
#include "setupc/setupc.h"
#include "setupc/text.h"
#include "uninstall/install_log.h"

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

void WriteHuman(const InstallLogImage& image, std::ostream& out) {
  for (const LogList& list : ListsOf(image)) {
    out << list.title << ": " << list.entries->size();
    if (list.entries->size() != list.announced) out << " of " << list.announced;
    out << "\n";
    for (const std::string& entry : *list.entries) out << "  " << OneLine(AnsiToUtf8(entry)) << "\n";
  }
}

void WriteLogJson(const InstallLogImage& image, std::ostream& out) {
  Json document = Json::object();
  for (const LogList& list : ListsOf(image)) {
    Json entries = Json::array();
    for (const std::string& entry : *list.entries) entries.push_back(AnsiJson(entry));
    document[list.jsonName] = std::move(entries);
  }
  document["announced"] = {image.Announced[0], image.Announced[1], image.Announced[2]};
  document["complete"] = image.Complete;
  WriteJson(document, out);
}

}  // namespace

int LogCommand(const LogOptions& options, std::ostream& out, std::ostream& err) {
  InstallLogImage image;
  if (!platform::FileExists(options.file) || !ReadInstallLogFile(options.file, image)) {
    ReportError(err,
                "cannot read " + options.file + (platform::FileExists(options.file) ? "" : ": no such file"));
    return kExitUsage;
  }
  if (options.json) {
    WriteLogJson(image, out);
  } else {
    WriteHuman(image, out);
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
