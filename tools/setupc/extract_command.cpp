// setupc extract PACKAGE DIR [--group G]: writes each entry to DIR/G/NAME.

#include <ostream>

#include "base/errors.h"
#include "package/entry_path.h"
#include "package/pak.h"
#include "platform/files.h"
#include "setupc/commands.h"
#include "setupc/local_files.h"
#include "setupc/package_input.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

struct Job {
  size_t index;
  std::string folder;  // where the file goes; created on demand
  std::string target;  // the file itself
};

// Empty on success, else the reason.
std::string WriteLarge(TPak& pak, size_t index, const std::string& target) {
  const TPakEntry& entry = pak.Entries()[index];
  if (entry.StoredSize != 0) return "a large entry must be stored uncompressed";
  platform::File file;
  if (!file.Open(target, platform::OpenMode::CreateAlways)) return "cannot create " + target;
  uint64_t written = 0;
  bool writeFailed = false;
  const bool streamed = pak.StreamStored(index, [&](ByteView chunk) {
    if (!file.Write(chunk.data(), chunk.size())) {
      writeFailed = true;
      return false;
    }
    written += chunk.size();
    return true;
  });
  file.Close();
  std::string failure;
  if (writeFailed) {
    failure = "cannot write " + target;
  } else if (!streamed || written != entry.Size) {
    failure = "its data cannot be read (the file is shorter than the table says)";
  }
  if (!failure.empty()) platform::RemoveFile(target);
  return failure;
}

// Empty on success, else the reason.
std::string WriteSmall(TPak& pak, size_t index, const std::string& target) {
  const TPakEntry& entry = pak.Entries()[index];
  std::optional<Bytes> content;
  if (!entry.IsEmpty()) {
    try {
      content = pak.ExtractEntry(index);
    } catch (const SetupError& e) {
      return e.what();
    }
    if (!content) return "its data is damaged (unreadable, a wrong CRC or a wrong size)";
  }
  platform::File file;
  if (!file.Open(target, platform::OpenMode::CreateAlways)) return "cannot create " + target;
  if (content && !file.Write(content->data(), content->size())) {
    file.Close();
    platform::RemoveFile(target);
    return "cannot write " + target;
  }
  return {};
}

}  // namespace

int ExtractCommand(const ExtractOptions& options, std::ostream& out, std::ostream& err) {
  TPak pak;
  if (!OpenPackage(pak, options.package, err)) return kExitUsage;

  // Every name is checked before anything is written, so a refused name leaves the
  // folder untouched.
  std::vector<Job> jobs;
  const auto& entries = pak.Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const TPakEntry& entry = entries[i];
    if (options.group && entry.Group != *options.group) continue;
    const EntryPath path = SplitEntryPath(entry.Name);
    if (!path.Safe()) {
      ReportError(err, EntryLabel(i, entry) + " is refused: " + path.refusal);
      return kExitFailed;
    }
    std::string folder = JoinNativePath(options.folder, std::to_string(entry.Group));
    for (size_t k = 0; k + 1 < path.components.size(); ++k) {
      folder = JoinNativePath(folder, AnsiToNative(path.components[k]));
    }
    std::string target = JoinNativePath(folder, AnsiToNative(path.components.back()));
    jobs.push_back(Job{i, std::move(folder), std::move(target)});
  }

  for (const Job& job : jobs) {
    const TPakEntry& entry = entries[job.index];
    if (!platform::CreateDirectoryTree(job.folder)) {
      ReportError(err, EntryLabel(job.index, entry) + ": cannot create folder " + job.folder);
      return kExitFailed;
    }
    const std::string failure =
        entry.IsLarge() ? WriteLarge(pak, job.index, job.target) : WriteSmall(pak, job.index, job.target);
    if (!failure.empty()) {
      ReportError(err, EntryLabel(job.index, entry) + ": " + failure);
      return kExitFailed;
    }
  }
  out << CountOf(jobs.size(), "entry", "entries") << " extracted to " << options.folder << "\n";
  return kExitOk;
}

}  // namespace setup::setupc
