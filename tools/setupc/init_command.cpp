// setupc init DIR [--name NAME] [--languages LIST]: writes a product skeleton that
// compiles into a working setup as it is. DIR must be new or empty, so that no file of
// the user's is ever overwritten; when writing fails half-way, what was written is
// removed again.

#include <algorithm>
#include <ostream>

#include "platform/files.h"
#include "setupc/commands.h"
#include "setupc/init_skeleton.h"
#include "setupc/local_files.h"
#include "setupc/package_input.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

// The name becomes the script's "name", its short title a folder name and a registry
// key name, so it must fit all three: no quote (the script quotes it), none of the
// characters a file name cannot hold, no "$" or "%" (the setup expands path variables
// and environment references in folder names), no control character.
constexpr std::string_view kRefusedInName = "\"\\/:*?<>|$%";
constexpr size_t kMaxNameLength = 100;

// The name in the code page with blanks at its ends removed; empty after reporting.
std::string CheckedName(const std::string& typed, std::ostream& err) {
  const std::optional<std::string> ansi = ArgumentToAnsi(typed);
  if (!ansi) {
    ReportError(err, "--name \"" + typed + "\" holds a character the system code page lacks (see setupc init --help)");
    return {};
  }
  const size_t first = ansi->find_first_not_of(' ');
  if (first == std::string::npos) {
    ReportError(err, "--name needs a product name (see setupc init --help)");
    return {};
  }
  std::string name = ansi->substr(first, ansi->find_last_not_of(' ') - first + 1);
  const bool refused = std::any_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || kRefusedInName.find(c) != std::string_view::npos;
  });
  if (refused || name.size() > kMaxNameLength) {
    ReportError(err, "--name \"" + typed + "\" is refused: a product name has at most " +
                         std::to_string(kMaxNameLength) + " characters and none of " + std::string(kRefusedInName) +
                         " or control characters (see setupc init --help)");
    return {};
  }
  return name;
}

// The languages asked for, in lower case, each once, in the order given; empty after
// reporting when one is not a template language.
std::vector<std::string> CheckedLanguages(const std::vector<std::string>& typed, std::ostream& err) {
  const std::vector<std::string> known = SkeletonLanguages();
  std::string knownList;
  for (const std::string& language : known) knownList += (knownList.empty() ? "" : ", ") + language;
  std::vector<std::string> languages;
  for (const std::string& name : typed) {
    const std::string language = AsciiLower(name);
    if (std::find(known.begin(), known.end(), language) == known.end()) {
      ReportError(err, "unknown language \"" + name + "\"; init knows " + knownList + " (see setupc init --help)");
      return {};
    }
    if (std::find(languages.begin(), languages.end(), language) == languages.end()) languages.push_back(language);
  }
  if (languages.empty()) ReportError(err, "--languages needs at least one of " + knownList + " (see setupc init --help)");
  return languages;
}

// What init made, so that a failure half-way can take it back: files and folders in
// the order they were made.
class Undo {
 public:
  void File(const std::string& path) { files_.push_back(path); }
  void Folder(const std::string& path) { folders_.push_back(path); }
  void Commit() {
    files_.clear();
    folders_.clear();
  }
  ~Undo() {
    for (auto file = files_.rbegin(); file != files_.rend(); ++file) platform::RemoveFile(*file);
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) platform::RemoveFolder(*folder);
  }

 private:
  std::vector<std::string> files_;
  std::vector<std::string> folders_;
};

// Creates folder and its missing parents one by one, each recorded in undo.
bool MakeFolder(const std::string& folder, Undo& undo) {
  return CreateFolderChain(folder, [&undo](const std::string& made) { undo.Folder(made); });
}

// Writes a new file; false when the file exists already or cannot be written.
bool WriteNewFile(const std::string& path, const std::vector<uint8_t>& bytes, Undo& undo) {
  if (KindOf(path) != PathKind::Missing) return false;
  platform::File file;
  if (!file.Open(path, platform::OpenMode::CreateAlways)) return false;
  undo.File(path);
  return file.Write(bytes.data(), bytes.size());
}

}  // namespace

int InitCommand(const InitOptions& options, std::ostream& out, std::ostream& err) {
  if (options.folder.empty()) {
    ReportError(err, "init needs a folder (see setupc init --help)");
    return kExitUsage;
  }
  const std::string name = CheckedName(options.name, err);
  if (name.empty()) return kExitUsage;
  const std::vector<std::string> languages = CheckedLanguages(options.languages, err);
  if (languages.empty()) return kExitUsage;

  switch (KindOf(options.folder)) {
    case PathKind::Missing:
      break;
    case PathKind::Folder:
      if (platform::ListFolder(options.folder).empty()) break;
      ReportError(err, options.folder + " is not empty; init writes a new product into a new or empty folder only");
      return kExitFailed;
    default:
      ReportError(err, options.folder + " exists and is not a folder; init writes a new product into a new or empty folder only");
      return kExitFailed;
  }

  const std::vector<SkeletonFile> files = SkeletonFiles(name, languages);
  Undo undo;
  if (!MakeFolder(options.folder, undo)) {
    ReportError(err, "cannot create folder " + options.folder);
    return kExitFailed;
  }
  for (const SkeletonFile& file : files) {
    std::string folder = options.folder;
    std::string_view rest = file.path;
    for (size_t slash = rest.find('/'); slash != std::string_view::npos; slash = rest.find('/')) {
      folder = JoinNativePath(folder, std::string(rest.substr(0, slash)));
      rest.remove_prefix(slash + 1);
    }
    if (!MakeFolder(folder, undo)) {
      ReportError(err, "cannot create folder " + folder + "; nothing is left of the product");
      return kExitFailed;
    }
    const std::string target = JoinNativePath(folder, std::string(rest));
    if (!WriteNewFile(target, file.bytes, undo)) {
      ReportError(err, "cannot write " + target + "; nothing is left of the product");
      return kExitFailed;
    }
  }
  undo.Commit();

  std::string languageList;
  for (const std::string& language : languages) languageList += (languageList.empty() ? "" : ", ") + language;
  out << CountOf(files.size(), "file", "files") << " of \"" << AnsiToNative(name) << "\" (" << languageList
      << ") written to " << options.folder << "\n"
      << "next: setupc compile " << JoinNativePath(options.folder, "setup.txt") << " --stub STUB\n";
  return kExitOk;
}

}  // namespace setup::setupc
