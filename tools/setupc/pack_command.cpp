// setupc pack OUT [--host FILE] ENTRY...: builds a package, stand-alone or appended to a
// copy of a host file.

#include <ostream>

#include "base/errors.h"
#include "package/pak.h"
#include "platform/files.h"
#include "setupc/commands.h"
#include "setupc/entry_argument.h"
#include "setupc/host_file.h"
#include "setupc/package_input.h"
#include "setupc/setupc.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

constexpr size_t kMaxEntries = 65535;
constexpr size_t kMaxNameLength = 65535;
constexpr uint64_t kMaxPackageEnd = 0xFFFFFFFFu;  // offsets are 32-bit
constexpr size_t kRecordFixedSize = 20;           // a table record without its name

struct PlannedEntry {
  EntryArgument argument;  // the name converted to the code page
  uint64_t sourceSize = 0;
};

// Parses and checks every argument before the output is touched. Returns kExitOk or
// the exit code after reporting.
int PlanEntries(const PackOptions& options, std::vector<PlannedEntry>& plan, std::ostream& err) {
  if (options.entries.size() > kMaxEntries) {
    ReportError(err, "too many entries: " + std::to_string(options.entries.size()) +
                         " (a package holds at most 65,535)");
    return kExitUsage;
  }
  for (const std::string& argument : options.entries) {
    std::string error;
    std::optional<EntryArgument> parsed = ParseEntryArgument(argument, error);
    if (!parsed) {
      ReportError(err, "bad entry \"" + argument + "\": " + error);
      return kExitUsage;
    }
    std::optional<std::string> name = ArgumentToAnsi(parsed->name);
    if (!name) {
      ReportError(err, "bad entry \"" + argument + "\": the name has characters the code page cannot hold");
      return kExitUsage;
    }
    if (name->size() > kMaxNameLength) {
      ReportError(err, "bad entry: a name of " + std::to_string(name->size()) +
                           " bytes is too long (at most 65,535)");
      return kExitUsage;
    }
    parsed->name = std::move(*name);
    platform::File source;
    if (!source.Open(parsed->path, platform::OpenMode::ReadShared)) {
      ReportError(err, "cannot read source file " + parsed->path +
                           (platform::FileExists(parsed->path) ? "" : ": no such file"));
      return kExitFailed;
    }
    PlannedEntry entry{std::move(*parsed), source.Size()};
    if (entry.sourceSize > kMaxPackageEnd) {
      ReportError(err, "source file " + entry.argument.path + " is larger than 4 GiB");
      return kExitFailed;
    }
    plan.push_back(std::move(entry));
  }
  return kExitOk;
}

// Writes the package into the output (which holds the host's copy when there is one).
// Returns an empty string on success, else the error; created tells whether the output
// file is ours to remove.
std::string WritePackage(TPak& pak, const PackOptions& options, const std::vector<PlannedEntry>& plan,
                         uint64_t dataStart, uint64_t& tableOffset, bool& created) {
  const bool append = !options.host.empty();
  created = append;
  if (!pak.Create(options.output, !append, append)) return "cannot open " + options.output + " for writing";
  created = true;
  for (const PlannedEntry& entry : plan) {
    pak.AddEntry(entry.argument.name, entry.argument.path, entry.argument.group);
  }
  uint64_t end = dataStart;
  uint64_t tableSize = kTrailerSize;
  for (size_t i = 0; i < plan.size(); ++i) {
    const bool written = pak.WriteEntryFromFile(i);
    const TPakEntry& entry = pak.Entries()[i];
    if (!written && !entry.IsEmpty()) return "cannot write " + options.output;
    if (entry.Size != plan[i].sourceSize)
      return "source file " + plan[i].argument.path + " changed while being packed";
    end += entry.IsEmpty() ? 0 : entry.StoredLength();
    tableSize += kRecordFixedSize + entry.Name.size();
    if (end + tableSize > kMaxPackageEnd) return "the package would be larger than 4 GiB";
  }
  if (!pak.WriteTable()) return "cannot write the table to " + options.output;
  tableOffset = end;
  return {};
}

}  // namespace

int PackCommand(const PackOptions& options, std::ostream& out, std::ostream& err) {
  std::vector<PlannedEntry> plan;
  if (int code = PlanEntries(options, plan, err); code != kExitOk) return code;

  uint64_t dataStart = 0;
  if (!options.host.empty()) {
    if (SameFile(options.host, options.output)) {
      ReportError(err, "the output must not be the host file itself");
      return kExitUsage;
    }
    std::optional<uint64_t> hostSize = CopyHost(options.host, options.output, "host", err);
    if (!hostSize) return kExitFailed;
    dataStart = *hostSize;
  }

  TPak pak;
  uint64_t tableOffset = 0;
  bool created = false;
  std::string failure;
  try {
    failure = WritePackage(pak, options, plan, dataStart, tableOffset, created);
  } catch (const std::exception& e) {
    failure = e.what();
  }
  pak.Close();
  if (!failure.empty()) {
    // No half-written package is left behind.
    if (created) platform::RemoveFile(options.output);
    ReportError(err, failure);
    return kExitFailed;
  }
  out << CountOf(plan.size(), "entry", "entries") << " packed into " << options.output << " (data start "
      << dataStart << ", table offset " << tableOffset << ")\n";
  return kExitOk;
}

}  // namespace setup::setupc
