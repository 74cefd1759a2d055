#pragma once
// TVFSTree: the folder tree of an open archive and its write path (PutFile).
//
// Lookups by path go through a hash index of lower-cased paths kept beside the entry
// list, so a group of n files costs n lookups, not n². A folder whose children change is
// marked for rewriting and written once, deepest first, before the header is written
// (WriteDirtyFolders, called by Flush), so adding n files to one folder writes its
// content once rather than n times. The blocks those rewrites will need are reserved as
// files are put, so that PutFile refuses a file the archive cannot hold before it
// writes anything.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/byte_io.h"
#include "vfs/vfs_format.h"

namespace setup {

class TVFSFile;

struct TVFSTreeEntry {
  int32_t Index = -1;  // -1: free, may be reused
  std::string Path;    // parent's path + "\" + Name, or Name at the top level
  TVFSNode* Node = nullptr;
  std::unique_ptr<TVFSNode> Owned;  // the node of an entry below a folder
  std::vector<int32_t> Children;    // entry indexes; -1 marks a free slot
  std::set<int32_t> FreeChildSlots;
  int32_t Parent = -1;
  int32_t RootSlot = -1;  // root-table slot; -1 below a folder
  int32_t ChildSlot = -1;
  uint32_t LiveChildren = 0;
  uint32_t ChainBlocks = 0;  // blocks in the node's chain
  uint32_t Depth = 0;
  bool Dirty = false;  // a folder whose content must be rewritten
};

class TVFSTree {
 public:
  explicit TVFSTree(TVFSFile& file) : file_(file) {}

  void Clear();
  // Open's steps: a top-level entry for a used root slot, then (FullTree) the rest.
  void AddRootEntry(uint32_t slot);
  void BuildFull();

  // Adds or replaces the file at path ("data\sub\a.txt"). Every component is cut to
  // the 65 characters a record holds, for finding existing folders and files as for
  // creating new ones. Raises VfsError when the archive has no room for it, before
  // anything is written.
  void PutFile(const std::string& path, const uint8_t* data, uint32_t size);
  int32_t CreateNewFileDir(int32_t parent, const std::string& name, uint32_t time, uint32_t unpackedSize,
                           uint32_t storedSize, uint32_t firstBlock, bool writeNow, uint32_t flags);
  void DeleteEntry(int32_t entry, bool nested);
  // -1 when absent; ASCII letters compared without case.
  int32_t FindByPath(const std::string& path) const;
  int32_t FindChild(int32_t parent, const std::string& name) const;
  // The chunks (u32 length, zlib stream) of 50,000-byte pieces; none when they would
  // be longer than the content.
  static std::optional<Bytes> InternalCompressFile(const uint8_t* data, uint32_t size);

  // Rewrites every folder whose children changed, deepest first.
  void WriteDirtyFolders();

  const std::vector<TVFSTreeEntry>& Entries() const { return entries_; }

 private:
  int32_t NewEntry();
  void Index(int32_t entry);
  void MarkDirty(int32_t entry);
  void SetDirty(int32_t entry, bool dirty);
  int64_t ReserveOf(const TVFSTreeEntry& entry) const;
  int64_t ReserveIf(const TVFSTreeEntry& entry, uint32_t liveChildren) const;
  void RecordEntry(int32_t entry);
  void RewriteFolder(int32_t entry);
  void CheckRoom(const std::string& path, int32_t parent, size_t missingFolders, uint64_t storedSize);

  TVFSFile& file_;
  std::vector<TVFSTreeEntry> entries_;
  std::vector<int32_t> freeEntries_;
  std::unordered_map<std::string, int32_t> byPath_;  // lower-cased path -> entry
  std::set<std::pair<int64_t, int32_t>> dirty_;      // (-depth, entry): deepest first
  int64_t reserved_ = 0;                             // blocks the pending rewrites need
};

}  // namespace setup
