#pragma once
// The VFS update engine behind "vfsupdate": at most one archive open for the run, every
// entry of a package group written into it, progress reported, the archive flushed and
// closed. Runs on the worker thread.
//
// Status texts (language strings, with <%KZPNAME%> the archive's name, <%FNUM%> the
// entries written so far, <%FTOTAL%> the group's count): 29 "Loading <%KZPNAME%>"
// when an archive is opened, 19 "Processing <%KZPNAME%>: <%FNUM%> of <%FTOTAL%> files"
// before each entry, 20 "Writing <%KZPNAME%>`s Header" when it is flushed.
//
// Every failure that stops an update shows one box, rolls the archive back to its state
// before the update (the journal of every change since the last flush is replayed) and
// fails the run as "failure" does: a missing archive ("VFS Error", "Error: Unable to
// find <name>"), a damaged one or one without room for a file ("VFS Error", naming the
// archive and the reason), an entry that cannot be extracted (the verification failure
// of start-up), an entry name that names no place inside the archive ("Setup Error";
// SplitArchiveEntryPath), and every other error of the archive code ("VFS Error": a
// digest that cannot be computed, a write that fails), also at the flush when the run
// ends, which then still saves the log and builds the uninstaller.

#include <cstdint>
#include <memory>
#include <string>

namespace setup {

struct SetupContext;
class TVFSFile;

// The engine's process-wide state, one in SetupContext.
struct TVfsUpdateState {
  TVfsUpdateState();
  ~TVfsUpdateState();
  TVfsUpdateState(const TVfsUpdateState&) = delete;
  TVfsUpdateState& operator=(const TVfsUpdateState&) = delete;

  std::unique_ptr<TVFSFile> CurrentVfs;  // the open archive, or none
  std::string CurrentVfsName;            // as the script gave it, relative to InstallDir
  uint32_t VfsDone = 0;
  uint32_t VfsTotal = 0;
  uint32_t VfsLastPercent = 0;
  bool VfsFlushed = false;  // flushed and not written since
};

inline constexpr const char* kVfsErrorCaption = "VFS Error";

void UpdateVfsArchive(SetupContext& context, uint16_t group, const std::string& name, bool closeAfterwards);
// False when the archive was damaged (the run has failed).
bool OpenVfsArchive(SetupContext& context, const std::string& name);
void FlushVfsArchive(SetupContext& context);
void CloseVfsArchive(SetupContext& context);

}  // namespace setup
