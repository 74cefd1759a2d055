#include "script/vfs_update.h"

#include <vector>

#include "base/text_replace.h"
#include "package/entry_path.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "script/extract_group.h"
#include "script/path_variables.h"
#include "script/setup_context.h"
#include "script/setup_failure.h"
#include "vfs/vfs_file.h"

namespace setup {

namespace {

constexpr uint16_t kProcessingText = 19;  // "Processing <%KZPNAME%>: <%FNUM%> of <%FTOTAL%> files"
constexpr uint16_t kHeaderText = 20;      // "Writing <%KZPNAME%>`s Header"
constexpr uint16_t kLoadingText = 29;     // "Loading <%KZPNAME%>"

std::string ArchivePath(const SetupContext& context, const std::string& name) {
  return AddBackslash(context.SetupInfo.InstallDir) + name;
}

void PostStatus(SetupContext& context, uint16_t text) {
  const TVfsUpdateState& state = context.Vfs;
  std::u16string status = context.Languages.GetString(text);
  status = ReplaceAll(status, u"<%KZPNAME%>", platform::AnsiToWide(state.CurrentVfsName));
  status = ReplaceAll(status, u"<%FNUM%>", platform::AnsiToWide(std::to_string(state.VfsDone)));
  status = ReplaceAll(status, u"<%FTOTAL%>", platform::AnsiToWide(std::to_string(state.VfsTotal)));
  context.HandOff.ReportStatus(status);
}

// Stops the update: the box, the archive rolled back to its last flushed state, the run
// failed.
void FailUpdate(SetupContext& context, const std::string& message, const std::string& caption) {
  TVfsUpdateState& state = context.Vfs;
  platform::ShowMessage(message, caption);
  if (state.CurrentVfs) {
    const std::string path = state.CurrentVfs->Path();
    state.CurrentVfs->Close();
    // Opening it again rolls the unfinished change back through its journal and
    // rewrites the index to match.
    TVFSFile rolledBack;
    rolledBack.Open(path, /*fullTree=*/true);
    rolledBack.Close();
  }
  state.CurrentVfs.reset();
  state.VfsFlushed = false;
  MarkSetupFailed(context);
}

std::string UnableToUpdate(const std::string& name, const std::string& reason) {
  return "Error: Unable to update <" + name + ">\r" + reason;
}

// One entry of the group into the open archive; false when the run has failed.
bool PutEntry(SetupContext& context, size_t index) {
  TVfsUpdateState& state = context.Vfs;
  const TPakEntry& entry = context.Package.Entries()[index];
  // A path inside the archive, not on the disk: only what cannot name a place in the
  // tree is refused ("aux.cfg" or "a:b" are fine there).
  const EntryPath path = SplitArchiveEntryPath(entry.Name);
  if (!path.Safe()) {
    FailUpdate(context, UnsafeEntryMessage(entry.Name, path.refusal, 1), kUnsafeEntryCaption);
    return false;
  }
  std::optional<Bytes> content;
  if (entry.Size > 0) {
    try {
      content = context.Package.ExtractEntry(index);
    } catch (const SetupError&) {
      content.reset();
    }
    if (!content || content->size() != entry.Size) {
      FailUpdate(context,
                 "Error: Verification Failed. Setup is corrupt.\rID: " + std::to_string(index) +
                     " Filename: " + entry.Name,
                 "Verification Error");
      return false;
    }
  }
  try {
    state.CurrentVfs->Tree().PutFile(JoinEntryPath(path.components, '\\'), content ? content->data() : nullptr,
                                     entry.Size);
  } catch (const VfsError& e) {
    FailUpdate(context, UnableToUpdate(state.CurrentVfsName, e.what()), kVfsErrorCaption);
    return false;
  }
  state.VfsFlushed = false;
  return true;
}

}  // namespace

TVfsUpdateState::TVfsUpdateState() = default;
TVfsUpdateState::~TVfsUpdateState() = default;

void UpdateVfsArchive(SetupContext& context, uint16_t group, const std::string& name, bool closeAfterwards) {
  TVfsUpdateState& state = context.Vfs;
  const size_t total = context.Package.CountInGroup(group);
  if (total == 0) return;
  if (!platform::FileExists(ArchivePath(context, name))) {
    platform::ShowMessage("Error: Unable to find <" + name + ">", kVfsErrorCaption);
    MarkSetupFailed(context);
    return;
  }
  if (!OpenVfsArchive(context, name)) return;
  state.VfsTotal = static_cast<uint32_t>(total);
  state.VfsDone = 0;
  state.VfsLastPercent = 0;
  PostStatus(context, kProcessingText);

  std::vector<size_t> indexes;
  indexes.reserve(total);
  context.Package.ForEachInGroup(group, [&indexes](size_t index) { indexes.push_back(index); });
  for (size_t index : indexes) {
    const auto percent = static_cast<uint32_t>(uint64_t{state.VfsDone} * 100 / state.VfsTotal);
    const bool changed = percent > state.VfsLastPercent;
    if (changed) state.VfsLastPercent = percent;
    PostStatus(context, kProcessingText);
    if (!PutEntry(context, index)) return;
    context.HandOff.StepProgress(changed);
    ++state.VfsDone;
  }
  if (closeAfterwards) {
    FlushVfsArchive(context);
    CloseVfsArchive(context);
  }
}

bool OpenVfsArchive(SetupContext& context, const std::string& name) {
  TVfsUpdateState& state = context.Vfs;
  CloseVfsArchive(context);
  if (context.Run.SetupFailed) return false;  // closing the previous archive failed
  state.CurrentVfsName = name;
  PostStatus(context, kLoadingText);
  const std::string path = ArchivePath(context, name);
  if (platform::IsReadOnly(path)) platform::ClearReadOnly(path);
  auto archive = std::make_unique<TVFSFile>();
  if (!archive->Open(path, /*fullTree=*/true)) {
    const std::string reason = archive->Unavailable() ? archive->Damage() : "The archive is damaged: " + archive->Damage();
    FailUpdate(context, UnableToUpdate(name, reason), kVfsErrorCaption);
    return false;
  }
  state.CurrentVfs = std::move(archive);
  state.VfsFlushed = false;
  return true;
}

void FlushVfsArchive(SetupContext& context) {
  TVfsUpdateState& state = context.Vfs;
  if (!state.CurrentVfs) return;
  PostStatus(context, kHeaderText);
  try {
    state.CurrentVfs->Flush(/*skipDigest=*/false);
  } catch (const VfsError& e) {
    FailUpdate(context, UnableToUpdate(state.CurrentVfsName, e.what()), kVfsErrorCaption);
    return;
  }
  state.VfsFlushed = true;
}

void CloseVfsArchive(SetupContext& context) {
  TVfsUpdateState& state = context.Vfs;
  if (!state.CurrentVfs) return;
  if (!state.VfsFlushed) FlushVfsArchive(context);
  if (!state.CurrentVfs) return;  // the flush failed and rolled the archive back
  state.CurrentVfs->Close();
  state.CurrentVfs.reset();
  state.VfsFlushed = false;
}

}  // namespace setup
