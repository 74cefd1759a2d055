#pragma once
// TVFSFile: one open VFS archive — its header, block table and root table, block input
// and output, the digest — with its folder tree (TVFSTree) and ".ht" index
// (TVFSHashFile).
//
// Open refuses a damaged archive (Damage() says why) instead of following it: a header
// or table the file cannot hold in full, more than 256 root slots, a block chain that
// leaves the table, loops, runs into a free block, is shared by two entries or is
// shorter than its content, a folder entry without a name. A refused archive is never
// written. Open also rolls back an interrupted update first (journal/archive_journal.h).
//
// Writes go through VfsWriter: the original bytes are journaled, and the journal is
// removed by Flush once the new header is on the disk. Close without Flush leaves the
// journal, so the next Open undoes the unfinished change.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/md5.h"
#include "vfs/vfs_file_buffer.h"
#include "vfs/vfs_format.h"
#include "vfs/vfs_free_blocks.h"
#include "vfs/vfs_hash_file.h"
#include "vfs/vfs_tree.h"
#include "vfs/vfs_writer.h"

namespace setup {

class TVFSFile {
 public:
  using ProgressCallback = std::function<void(uint64_t position, uint64_t total)>;

  TVFSFile();
  ~TVFSFile();
  TVFSFile(const TVFSFile&) = delete;
  TVFSFile& operator=(const TVFSFile&) = delete;

  // Opens and reads the archive. writable false: opened for reading only (no roll-back;
  // an archive with a journal beside it is refused). False when the archive cannot be
  // opened or is damaged (Damage()).
  bool Open(const std::string& path, bool fullTree, const ProgressCallback& progress = {}, bool writable = true);
  const std::string& Damage() const { return damage_; }
  // True when Open failed not for damage but because the archive cannot be taken now:
  // in use by another program, or its undo journal forbids it (Damage() is then the
  // whole message).
  bool Unavailable() const { return unavailable_; }
  // True when Open rolled back an interrupted change.
  bool Recovered() const { return recovered_; }
  bool IsOpen() const { return file_.IsOpen(); }

  // Writes the folders still to be rewritten, the header (the digest unless
  // skipDigest) and the index, then ends the change. Raises VfsError ("MD5 Error"
  // when hashing fails) when the change cannot be completed.
  void Flush(bool skipDigest);
  // Releases everything. An unflushed change stays recoverable.
  void Close();

  // A new chain of the lowest free blocks for the content (one zero block when data
  // is null and size 0); sets FirstBlock, StoredSize and Time. Raises VfsError when
  // too few blocks are free, before anything is written.
  void WriteFile(TVFSNode& node, const uint8_t* data, uint32_t size);
  // The content over the node's own chain, which must be long enough; sets Time.
  void RewriteFile(TVFSNode& node, const uint8_t* data, uint32_t size);
  // StoredSize bytes along the chain; null for StoredSize 0.
  std::unique_ptr<TVFSFileBuffer> ReadFile(const TVFSNode& node);
  // The first free block (from 0), the second with skip; -1 when there is none.
  int64_t FindFreeBlock(bool skip) const;
  // Frees the node's chain in memory and on disk.
  void FreeChain(const TVFSNode& node);
  // Writes root slot's record as the root array holds it.
  void WriteRootSlot(size_t slot);

  // The MD5 of the archive's bytes from offset 44 to the end, read in 262,144-byte
  // pieces (what Flush stores). Raises VfsError "MD5 Error" when hashing fails.
  platform::Md5Digest ComputeDigest();

  uint32_t FreeBlockCount() const { return free_.FreeCount(); }
  const std::string& Path() const { return path_; }
  bool FullTree() const { return fullTree_; }
  const TVFSHeader& Header() const { return header_; }
  TVFSHeader& Header() { return header_; }
  const std::vector<TVFSBlockEntry>& Blocks() const { return blocks_; }
  std::vector<TVFSNode>& Roots() { return roots_; }
  TVFSTree& Tree() { return tree_; }
  TVFSHashFile& HashFile() { return hashFile_; }

  // The number of blocks of a chain that Open checked (0 for no chain).
  uint32_t ChainLength(uint32_t firstBlock) const;
  // Open's check of one entry's chain: marks its blocks as taken and returns their
  // count; raises VfsError naming the fault.
  uint32_t ClaimChain(const TVFSNode& node, const std::string& path);

 private:
  void ReadTables(const ProgressCallback& progress);
  void WriteBlockEntry(uint32_t block, TVFSBlockEntry entry);

  platform::File file_;
  std::string path_;
  std::string damage_;
  bool recovered_ = false;
  bool unavailable_ = false;
  bool fullTree_ = false;
  bool readError_ = false;
  TVFSHeader header_;
  std::vector<TVFSBlockEntry> blocks_;
  std::vector<TVFSNode> roots_;
  std::vector<bool> claimed_;
  VfsFreeBlocks free_;
  VfsWriter writer_;
  TVFSTree tree_;
  TVFSHashFile hashFile_;
};

}  // namespace setup
