#include "script/extract_group.h"

#include <optional>

#include "base/text_replace.h"
#include "package/entry_path.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "script/number_text.h"
#include "script/setup_context.h"
#include "script/setup_failure.h"
#include "script/shell_link.h"

namespace setup {

namespace {

constexpr uint16_t kExtractingText = 18;  // "Extracting <%FILENAME%>"
constexpr std::u16string_view kFileNameMacro = u"<%FILENAME%>";

void ReportExtracting(SetupContext& context, const std::u16string& statusText, const std::string& what) {
  context.HandOff.ReportStatus(ReplaceAll(statusText, kFileNameMacro, platform::AnsiToWide(what)));
}

// A small entry: extracted whole, then written. A failed extraction (or an empty
// entry) still leaves the file, empty.
void WriteWholeEntry(TPak& package, size_t index, const std::string& target) {
  const std::optional<Bytes> content = package.ExtractEntry(index);
  platform::File out;
  if (!out.Open(target, platform::OpenMode::CreateExclusive)) return;
  if (content && !content->empty()) out.Write(content->data(), content->size());
}

// A large entry, or a compressed one that would take much memory whole: its content
// streamed to the file in chunks of at most 25 MiB (a compressed one inflated on the
// way), with "Name - done / total" before each chunk. A raw large entry's CRC is not
// checked on this path. A compressed entry that fails its check leaves the file empty,
// as a failed whole extraction does.
void StreamEntryTo(SetupContext& context, size_t index, const std::string& target,
                   const std::u16string& statusText) {
  const TPakEntry& entry = context.Package.Entries()[index];
  platform::File out;
  if (!out.Open(target, platform::OpenMode::CreateExclusive)) return;
  const std::string totalText = FormatSize(entry.Size);
  uint64_t done = 0;
  auto write = [&](ByteView chunk) {
    ReportExtracting(context, statusText,
                     entry.Name + " - " + FormatSize(static_cast<int64_t>(done)) + " / " + totalText);
    if (!out.Write(chunk.data(), chunk.size())) return false;
    done += chunk.size();
    return true;
  };
  if (entry.StoredSize == 0) {
    context.Package.StreamStored(index, write);
  } else if (!context.Package.StreamContent(index, write)) {
    out.SetLength(0);
  }
}

void ExtractEntryTo(SetupContext& context, size_t index, const std::string& target,
                    const std::u16string& statusText) {
  context.UninstallList.AddFile(target);
  ForceDirectoriesLogged(FolderPart(target), context.UninstallList);
  const TPakEntry& entry = context.Package.Entries()[index];
  // A large entry that a foreign writer compressed after all is inflated, not copied:
  // its stored bytes are not the file. Compressed entries over one chunk are inflated
  // as they stream, so that no entry is ever held whole (a 32-bit setup has little
  // address space).
  const bool compressed = entry.StoredSize != 0;
  if ((entry.IsLarge() && !compressed) || (compressed && entry.Size > kStreamChunkSize)) {
    StreamEntryTo(context, index, target, statusText);
  } else {
    WriteWholeEntry(context.Package, index, target);
  }
}

}  // namespace

std::string UnsafeEntryMessage(const std::string& name, const std::string& reason, size_t refusedCount) {
  std::string text = "Error: Unsafe Entry Name. Setup is corrupt.\rFilename: " + name + "\rReason: " + reason;
  if (refusedCount > 1) {
    text += '\r';
    text += std::to_string(refusedCount);
    text += " entries were not extracted.";
  }
  return text;
}

void ExtractGroupTo(SetupContext& context, const std::string& folder, uint16_t group) {
  TPak& package = context.Package;
  const std::u16string statusText = context.Languages.GetString(kExtractingText);

  std::string firstRefused;
  std::string firstReason;
  size_t refusedCount = 0;

  size_t index = 0;
  bool found = package.FindFirstIndex(group, index);
  for (;;) {
    const std::string name = found ? package.Entries()[index].Name : std::string();
    // The status comes before the test for the end: the last line shows the empty name.
    ReportExtracting(context, statusText, name);
    if (!found) break;

    const EntryPath path = SplitEntryPath(name);
    if (path.Safe()) {
      ExtractEntryTo(context, index, folder + "\\" + JoinEntryPath(path.components, '\\'), statusText);
    } else if (refusedCount++ == 0) {
      firstRefused = name;
      firstReason = path.refusal;
    }
    context.HandOff.StepProgress(true);
    found = package.FindNextIndex(group, index);
  }

  if (refusedCount > 0) {
    platform::ShowMessage(UnsafeEntryMessage(firstRefused, firstReason, refusedCount), kUnsafeEntryCaption);
    MarkSetupFailed(context);
  }
}

}  // namespace setup
