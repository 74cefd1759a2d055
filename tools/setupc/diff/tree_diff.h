#pragma once
// The differences between two builds of a product, each a folder as it lies on a
// player's disk: the loose files, and the entries inside every KZP package and VFS
// archive that both builds hold. Archives are recognised by their content, not by
// their extension, and their entries are compared by content, not by position.
//
// Paths are relative to the build's folder with "\" between folders, spelled as NEW
// spells them (OLD's spelling for what NEW no longer has). OLD and NEW are matched
// without regard to letter case, as Windows finds files. Every list is sorted by the
// lower-cased path or name, so the same two builds always give the same result.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace setup::setupc {

enum class ChangeKind { Added, Changed, Removed };
// "added", "changed", "removed".
const char* ChangeKindName(ChangeKind kind);

// What a build's file is, found from its bytes.
enum class FileFormat { Plain, Kzp, Vfs };

struct FileChange {
  ChangeKind Kind = ChangeKind::Changed;
  std::string Path;
  FileFormat Format = FileFormat::Plain;  // NEW's (OLD's when removed)
  uint64_t OldSize = 0, NewSize = 0;      // 0 for the side that lacks it
  uint32_t OldCrc = 0, NewCrc = 0;        // CRC-32 of the whole file
};

struct KzpEntryChange {
  ChangeKind Kind = ChangeKind::Changed;
  std::string Name;         // NEW's spelling (OLD's when removed)
  uint16_t NewKind = 0;     // 1 sound block, 2 data block; 0 when removed
  uint32_t NewSize = 0;     // the record's content size in NEW
  uint32_t NewCrc = 0;      // data: CRC-32 of the inflated content; sound: of the block
};

// NEW gives Target the same data block as Source; OLD did not.
struct KzpSharedName {
  std::string Source;
  std::string Target;
};

struct KzpDiff {
  std::string Path;                       // the package file, relative
  uint64_t OldFileSize = 0;
  uint32_t OldFileCrc = 0, NewFileCrc = 0;  // whole files: what the patch's guard checks
  std::vector<KzpEntryChange> Entries;    // added, changed, removed entries
  std::vector<KzpSharedName> SharedNames;
  bool OldOfficial = false, NewOfficial = false;
  std::string OldPassword, NewPassword;   // plain text; empty: none
  bool Empty() const;
};

struct VfsFileChange {
  ChangeKind Kind = ChangeKind::Changed;
  std::string Name;       // path inside the archive, "\" between folders
  uint64_t NewSize = 0;
  uint32_t NewCrc = 0;    // CRC-32 of NEW's content
};

struct VfsDiff {
  std::string Path;       // the archive file, relative (its ".ht" index goes with it)
  uint64_t OldFileSize = 0;
  uint32_t OldFileCrc = 0, NewFileCrc = 0;
  std::vector<VfsFileChange> Files;
  bool Empty() const;
};

// A difference that the script commands cannot make: the patch generator leaves it
// out, and diff says so.
struct Inexpressible {
  std::string Path;    // the loose file or the archive
  std::string Entry;   // inside an archive; empty for a loose file
  std::string Reason;  // "entry removed", "sound without its source WAV", ...
};

struct TreeDiff {
  std::vector<FileChange> Files;              // loose files (archives new in NEW or
                                              // gone from it are loose files too)
  std::vector<std::string> AddedFolders;      // folders NEW has and OLD lacks
  std::vector<std::string> RemovedFolders;    // folders OLD has and NEW lacks
  std::vector<KzpDiff> Packages;              // KZP packages in both, with changes
  std::vector<VfsDiff> Archives;              // VFS archives in both, with changes
  std::vector<Inexpressible> Inexpressibles;  // what no command can make (the
                                              // comparison's own findings)
  bool Empty() const;                         // no difference at all
};

// Compares two build folders. Reads every file once (archives: their tables and each
// entry's content once), holding about one entry at a time. Throws std::runtime_error
// with a clear message when a folder cannot be read; a damaged archive is compared as
// a plain file and named in Inexpressibles only when it changed.
TreeDiff DiffTrees(const std::filesystem::path& oldRoot, const std::filesystem::path& newRoot);

}  // namespace setup::setupc
