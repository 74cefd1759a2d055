#include "script/extract_group.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "base/text_replace.h"
#include "package/entry_path.h"
#include "package/pak_verifier.h"
#include "package/parallel_decoder.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/files.h"
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

// "Name - done / total" before each chunk of an entry written in pieces.
void ReportChunk(SetupContext& context, const std::u16string& statusText, const TPakEntry& entry, uint64_t done) {
  ReportExtracting(context, statusText,
                   entry.Name + " - " + FormatSize(static_cast<int64_t>(done)) + " / " + FormatSize(entry.Size));
}

// An entry extracted whole, then written; a failed extraction (or an empty entry) still
// leaves the file, empty. Content over one chunk is written chunk by chunk with the
// status lines a streamed entry shows. A file the system does not let us write whole
// is offered again (OpenPayloadFile, RetryPayloadWrite) until the user gives up. True
// when the file was opened.
bool WriteWholeEntry(SetupContext& context, size_t index, const std::string& target, const TPakContent& decoded,
                     const std::u16string& statusText) {
  if (decoded.WrongLength) context.Package.ReportWrongLength(index, decoded.InflatedLength);
  const size_t size = decoded.Content ? decoded.Content->size() : 0;
  for (uint32_t tries = 1;; ++tries) {
    platform::File out;
    if (!OpenPayloadFile(context, target, out)) return false;
    bool written = true;
    if (size > kStreamChunkSize) {
      for (size_t done = 0; written && done < size; done += kStreamChunkSize) {
        ReportChunk(context, statusText, context.Package.Entries()[index], done);
        written = out.Write(decoded.Content->data() + done, std::min<size_t>(kStreamChunkSize, size - done));
      }
    } else if (size != 0) {
      written = out.Write(decoded.Content->data(), size);
    }
    if (written) {
      context.Log.Write({"file written: ", target, " (", std::to_string(size), " bytes)"});
      return true;
    }
    out.Close();
    if (!RetryPayloadWrite(context, target, tries)) return true;
  }
}

// A large entry, or a compressed one that would take much memory whole: its content
// streamed to the file in chunks of at most 25 MiB (a compressed one inflated on the
// way), with "Name - done / total" before each chunk. A raw large entry's CRC is not
// checked on this path. A compressed entry that fails its check leaves the file empty,
// as a failed whole extraction does; a write the system refuses is offered again, as
// for a whole entry. True when the file was opened.
bool StreamEntryTo(SetupContext& context, size_t index, const std::string& target,
                   const std::u16string& statusText) {
  const TPakEntry& entry = context.Package.Entries()[index];
  for (uint32_t tries = 1;; ++tries) {
    platform::File out;
    if (!OpenPayloadFile(context, target, out)) return false;
    uint64_t done = 0;
    bool writeFailed = false;
    auto write = [&](ByteView chunk) {
      ReportChunk(context, statusText, entry, done);
      writeFailed = !out.Write(chunk.data(), chunk.size());
      done += writeFailed ? 0 : chunk.size();
      return !writeFailed;
    };
    const bool written =
        entry.StoredSize == 0 ? context.Package.StreamStored(index, write) : context.Package.StreamContent(index, write);
    if (!writeFailed) {
      if (!written && entry.StoredSize != 0) out.SetLength(0);
      context.Log.Write({written ? "file written: " : "file not written whole: ", target, " (", std::to_string(done),
                         " bytes)"});
      return true;
    }
    out.Close();
    if (!RetryPayloadWrite(context, target, tries)) return true;
  }
}

// A large entry that a foreign writer compressed after all is inflated, not copied: its
// stored bytes are not the file. A compressed entry is inflated whole, by the decoder's
// workers, up to half the decoder's budget, so that two such entries inflate side by
// side; a larger one is inflated as it streams, never held whole (a 32-bit setup has
// little address space).
constexpr uint64_t kWholeEntryLimit = kDecodeBudget / 2;

bool StreamsToFile(const TPakEntry& entry) {
  const bool compressed = entry.StoredSize != 0;
  return (entry.IsLarge() && !compressed) || (compressed && entry.Size > kWholeEntryLimit);
}

// One group's entries in table order. Every entry written whole from memory is decoded
// ahead by the workers of a ParallelDecoder, in table order and within its byte
// budget, while this thread writes (or streams) the ones before it; files, statuses,
// log records and boxes still come one entry after the other.
class GroupExtraction {
 public:
  GroupExtraction(SetupContext& context, const std::string& folder, uint16_t group);
  void Run();

 private:
  const TPakEntry& EntryAt(size_t position) const { return context_.Package.Entries()[indices_[position]]; }
  void ExtractEntryTo(size_t position, const std::string& target);

  SetupContext& context_;
  const std::string& folder_;
  std::u16string statusText_;  // text 18
  std::vector<size_t> indices_;
  // Each entry's path below the folder, joined with "\"; empty for a refused name
  // (a safe name has at least one component).
  std::vector<std::string> relative_;
  // Which entries the decoder hands over (the others are streamed, empty or refused).
  std::vector<bool> decodedAhead_;
  std::optional<ParallelDecoder> decoder_;
  // The folder the last file was opened in: it exists, so the next file of the same
  // folder needs no look at the disk.
  std::string knownFolder_;
};

GroupExtraction::GroupExtraction(SetupContext& context, const std::string& folder, uint16_t group)
    : context_(context), folder_(folder),
      statusText_(context.Languages.GetString(kExtractingText)) {
  context.Package.ForEachInGroup(group, [this](size_t index) { indices_.push_back(index); });
  relative_.reserve(indices_.size());
  decodedAhead_.resize(indices_.size());
  std::vector<size_t> ahead;
  for (size_t position = 0; position < indices_.size(); ++position) {
    const EntryPath path = SplitEntryPath(EntryAt(position).Name);
    relative_.push_back(path.Safe() ? JoinEntryPath(path.components, '\\') : std::string());
    // A refused name is never read.
    if (path.Safe() && EntryAt(position).Size != 0 && !StreamsToFile(EntryAt(position))) {
      decodedAhead_[position] = true;
      ahead.push_back(indices_[position]);
    }
  }
  // On one processor the workers would only take turns with this thread.
  const unsigned workers = VerifyWorkerCount();
  if (workers > 1 && ahead.size() > 1) decoder_.emplace(context.Package, std::move(ahead), workers);
}

void GroupExtraction::ExtractEntryTo(size_t position, const std::string& target) {
  const size_t index = indices_[position];
  context_.UninstallList.AddFile(target);
  std::string folder = FolderPart(target);
  if (folder != knownFolder_) ForceDirectoriesLogged(folder, context_.UninstallList);
  bool opened;
  if (StreamsToFile(EntryAt(position))) {
    opened = StreamEntryTo(context_, index, target, statusText_);
  } else {
    const TPakContent decoded =
        decoder_ && decodedAhead_[position] ? decoder_->Take() : context_.Package.DecodeEntry(index);
    opened = WriteWholeEntry(context_, index, target, decoded, statusText_);
  }
  if (opened) knownFolder_ = std::move(folder);
}

void GroupExtraction::Run() {
  std::string firstRefused;
  std::string firstReason;
  size_t refusedCount = 0;

  for (size_t position = 0;; ++position) {
    const bool found = position < indices_.size();
    // The status comes before the test for the end: the last line shows the empty name.
    ReportExtracting(context_, statusText_, found ? EntryAt(position).Name : std::string());
    // A file in use that the user gave up on ends the group (and stops the decoder).
    if (!found || context_.Run.SetupFailed) break;

    if (!relative_[position].empty()) {
      ExtractEntryTo(position, folder_ + "\\" + relative_[position]);
    } else if (refusedCount++ == 0) {
      firstRefused = EntryAt(position).Name;
      firstReason = SplitEntryPath(firstRefused).refusal;
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
