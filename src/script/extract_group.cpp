#include "script/extract_group.h"

#include <optional>
#include <utility>
#include <vector>

#include "base/text_replace.h"
#include "package/entry_path.h"
#include "package/entry_prefetch.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "script/file_in_use.h"
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

// An entry extracted whole, then written; a failed extraction (or an empty entry) still
// leaves the file, empty.
void WriteWholeEntry(SetupContext& context, size_t index, const std::string& target, const TPakContent& decoded) {
  if (decoded.WrongLength) context.Package.ReportWrongLength(index, decoded.InflatedLength);
  platform::File out;
  if (!OpenPayloadFile(context, target, out)) return;
  const size_t size = decoded.Content ? decoded.Content->size() : 0;
  const bool written = size == 0 || out.Write(decoded.Content->data(), size);
  context.Log.Write({written ? "file written: " : "file not written whole: ", target, " (", std::to_string(size),
                     " bytes)"});
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
  if (!OpenPayloadFile(context, target, out)) return;
  const std::string totalText = FormatSize(entry.Size);
  uint64_t done = 0;
  auto write = [&](ByteView chunk) {
    ReportExtracting(context, statusText,
                     entry.Name + " - " + FormatSize(static_cast<int64_t>(done)) + " / " + totalText);
    if (!out.Write(chunk.data(), chunk.size())) return false;
    done += chunk.size();
    return true;
  };
  bool written;
  if (entry.StoredSize == 0) {
    written = context.Package.StreamStored(index, write);
  } else {
    written = context.Package.StreamContent(index, write);
    if (!written) out.SetLength(0);
  }
  context.Log.Write({written ? "file written: " : "file not written whole: ", target, " (", std::to_string(done),
                     " bytes)"});
}

// A large entry that a foreign writer compressed after all is inflated, not copied: its
// stored bytes are not the file. Compressed entries over one chunk are inflated as they
// stream, so that no entry is ever held whole (a 32-bit setup has little address space).
bool StreamsToFile(const TPakEntry& entry) {
  const bool compressed = entry.StoredSize != 0;
  return (entry.IsLarge() && !compressed) || (compressed && entry.Size > kStreamChunkSize);
}

// Handing an entry to the other thread and back costs some tens of microseconds, more
// than inflating a small entry takes: only entries at least this large are read ahead.
constexpr uint32_t kReadAheadFloor = 64 * 1024;

bool WorthReadingAhead(const TPakEntry& entry) {
  return entry.Size >= kReadAheadFloor && !StreamsToFile(entry);
}

// One group's entries in table order. The next entry to be extracted whole is decoded
// on the prefetcher's thread while the current one is written (or streamed).
class GroupExtraction {
 public:
  GroupExtraction(SetupContext& context, const std::string& folder, uint16_t group)
      : context_(context), folder_(folder) {
    context.Package.ForEachInGroup(group, [this](size_t index) { indices_.push_back(index); });
    // On one processor a second thread would only take turns with this one.
    if (platform::ProcessorCount() > 1 && indices_.size() > 1) prefetcher_.emplace(context.Package);
  }

  void Run();

 private:
  const TPakEntry& EntryAt(size_t position) const { return context_.Package.Entries()[indices_[position]]; }
  // The entry's path, split once: when it was looked at ahead, from then.
  EntryPath PathAt(size_t position);
  // Starts decoding the entry at position when it will be extracted whole.
  void DecodeAhead(size_t position);
  void ExtractEntryTo(size_t position, const std::string& target);

  SetupContext& context_;
  const std::string& folder_;
  std::u16string statusText_;
  std::vector<size_t> indices_;
  std::optional<EntryPrefetcher> prefetcher_;
  std::optional<std::pair<size_t, EntryPath>> splitAhead_;
};

EntryPath GroupExtraction::PathAt(size_t position) {
  if (splitAhead_ && splitAhead_->first == position) return std::move(splitAhead_->second);
  return SplitEntryPath(EntryAt(position).Name);
}

void GroupExtraction::DecodeAhead(size_t position) {
  if (!prefetcher_ || position >= indices_.size() || !WorthReadingAhead(EntryAt(position))) return;
  EntryPath path = SplitEntryPath(EntryAt(position).Name);
  // A refused name is never read.
  if (path.Safe()) prefetcher_->Start(indices_[position]);
  splitAhead_.emplace(position, std::move(path));
}

void GroupExtraction::ExtractEntryTo(size_t position, const std::string& target) {
  const size_t index = indices_[position];
  context_.UninstallList.AddFile(target);
  ForceDirectoriesLogged(FolderPart(target), context_.UninstallList);
  if (StreamsToFile(EntryAt(position))) {
    DecodeAhead(position + 1);
    StreamEntryTo(context_, index, target, statusText_);
    return;
  }
  const TPakContent decoded =
      prefetcher_ && prefetcher_->Pending() ? prefetcher_->Take() : context_.Package.DecodeEntry(index);
  DecodeAhead(position + 1);
  WriteWholeEntry(context_, index, target, decoded);
}

void GroupExtraction::Run() {
  statusText_ = context_.Languages.GetString(kExtractingText);
  std::string firstRefused;
  std::string firstReason;
  size_t refusedCount = 0;

  DecodeAhead(0);
  for (size_t position = 0;; ++position) {
    const bool found = position < indices_.size();
    // The status comes before the test for the end: the last line shows the empty name.
    ReportExtracting(context_, statusText_, found ? EntryAt(position).Name : std::string());
    // A file in use that the user gave up on ends the group.
    if (!found || context_.Run.SetupFailed) break;

    const EntryPath path = PathAt(position);
    if (path.Safe()) {
      ExtractEntryTo(position, folder_ + "\\" + JoinEntryPath(path.components, '\\'));
    } else {
      DecodeAhead(position + 1);
      if (refusedCount++ == 0) {
        firstRefused = EntryAt(position).Name;
        firstReason = path.refusal;
      }
    }
    context_.HandOff.StepProgress(true);
  }

  if (refusedCount > 0) {
    platform::ShowMessage(UnsafeEntryMessage(firstRefused, firstReason, refusedCount), kUnsafeEntryCaption);
    MarkSetupFailed(context_);
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
  GroupExtraction(context, folder, group).Run();
}

}  // namespace setup
