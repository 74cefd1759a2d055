// TVFSFile::Open: reading the header and tables, and refusing a damaged archive.

#include <cctype>
#include <cstdint>
#include <string>

#include "journal/archive_journal.h"
#include "vfs/vfs_file.h"

namespace setup {

namespace {

std::string Number(uint64_t value) { return std::to_string(value); }

}  // namespace

uint32_t TVFSFile::ClaimChain(const TVFSNode& node, const std::string& path) {
  if (node.FirstBlock == 0) {
    if (node.StoredSize != 0) throw VfsError("\"" + path + "\" holds content but no block.");
    return 0;
  }
  uint32_t count = 0;
  uint32_t block = node.FirstBlock;
  for (;;) {
    if (block == 0 || block > header_.BlockCount) {
      throw VfsError("The chain of \"" + path + "\" leaves the block table (block " + Number(block) + ").");
    }
    if (blocks_[block - 1].Next == 0) {
      throw VfsError("The chain of \"" + path + "\" runs into the free block " + Number(block) + ".");
    }
    if (claimed_[block - 1]) {
      throw VfsError("The chain of \"" + path + "\" loops or shares block " + Number(block) + ".");
    }
    claimed_[block - 1] = true;
    ++count;
    const uint32_t next = blocks_[block - 1].Next;
    if (next == kVfsLastBlock) break;
    block = next;
  }
  if (uint64_t{count} * header_.BlockSize < node.StoredSize) {
    throw VfsError("\"" + path + "\" holds more bytes than its chain of " + Number(count) + " blocks.");
  }
  return count;
}

void TVFSFile::ReadTables(const ProgressCallback& progress) {
  const uint64_t size = file_.Size();
  uint8_t fixed[kVfsFixedHeaderSize];
  if (!file_.ReadAt(0, fixed, sizeof fixed)) throw VfsError("The header is incomplete.");
  TVFSHeader& h = header_;
  uint32_t* fields[] = {&h.Ident, &h.BlockSize, &h.BlockCount, &h.RootCount, &h.Reserved1, &h.Reserved2, &h.Reserved3};
  for (size_t i = 0; i < 7; ++i) *fields[i] = GetU32(fixed + 4 * i);
  std::copy_n(fixed + 28, 16, h.Digest.begin());
  h.DescriptionSize = GetU32(fixed + 44);
  if (h.DescriptionSize < kVfsMinDescriptionSize) throw VfsError("The description size is below 256.");
  if (h.BlockTableOffset() > size) throw VfsError("The header is incomplete.");
  if (h.BlockTableOffset() > SIZE_MAX / 2) throw VfsError("Its header is too large to read.");
  Bytes rest(h.DescriptionSize + size_t{4});
  if (!file_.ReadAt(kVfsFixedHeaderSize, rest.data(), rest.size())) throw VfsError("The header is incomplete.");
  h.Description.assign(rest.begin(), rest.begin() + kVfsMinDescriptionSize);
  h.Extra.assign(rest.begin() + kVfsMinDescriptionSize, rest.end() - 4);
  h.UsedBlocks = GetU32(rest.data() + rest.size() - 4);

  if (h.RootCount > kVfsMaxRootCount) throw VfsError("It has " + Number(h.RootCount) + " root slots (256 at most).");
  if (h.BlockSize == 0 && h.BlockCount != 0) throw VfsError("Its block size is 0.");
  if (h.DataEnd() > size) {
    throw VfsError("Its tables and " + Number(h.BlockCount) + " blocks need " + Number(h.DataEnd()) +
                   " bytes; the file holds " + Number(size) + ".");
  }
  if (h.DataStart() > SIZE_MAX / 2) throw VfsError("Its tables are too large to read.");
  const uint64_t total = uint64_t{h.BlockCount} + h.RootCount;
  if (progress) progress(0, total);

  Bytes table(8 * size_t{h.BlockCount});
  if (!file_.ReadAt(h.BlockTableOffset(), table.data(), table.size())) throw VfsError("The block table is incomplete.");
  blocks_.resize(h.BlockCount);
  free_.Reset(h.BlockCount);
  uint32_t used = 0;
  for (uint32_t i = 0; i < h.BlockCount; ++i) {
    blocks_[i] = TVFSBlockEntry{GetU32(&table[8 * size_t{i}]), GetU32(&table[8 * size_t{i} + 4])};
    const uint32_t next = blocks_[i].Next;
    if (next != 0 && next != kVfsLastBlock && next > h.BlockCount) {
      throw VfsError("Block " + Number(i + 1) + " links to block " + Number(next) + ", outside the table.");
    }
    if (next == 0) {
      free_.MarkFree(i + 1);
    } else {
      ++used;
    }
    if (progress) progress(i + 1, total);
  }
  // The count of blocks in use is taken from the table: a header left stale by an
  // update that was never flushed must not carry its error on.
  h.UsedBlocks = used;
  claimed_.assign(h.BlockCount, false);

  Bytes rootTable(kVfsRecordSize * h.RootCount);
  if (!file_.ReadAt(h.RootTableOffset(), rootTable.data(), rootTable.size())) {
    throw VfsError("The root table is incomplete.");
  }
  roots_.resize(h.RootCount);
  for (uint32_t slot = 0; slot < h.RootCount; ++slot) {
    roots_[slot] = DecodeRecord(&rootTable[kVfsRecordSize * slot]);
    if (progress) progress(uint64_t{h.BlockCount} + slot + 1, total);
  }
}

bool TVFSFile::Open(const std::string& path, bool fullTree, const ProgressCallback& progress, bool writable) {
  Close();
  path_ = path;
  fullTree_ = fullTree;
  damage_.clear();
  unavailable_ = false;
  recovered_ = false;
  readError_ = false;
  if (progress) progress(0, 100);
  if (writable) {
    // Others may go on reading the archive, but no second writer gets in while this
    // one recovers and changes it.
    if (!file_.Open(path, platform::OpenMode::ReadWriteDenyWrite)) {
      unavailable_ = platform::LastOpenFailedInUse();
      damage_ = unavailable_ ? path + " is in use by another program. Close it, then try again."
                             : "The file cannot be opened.";
      return false;
    }
    const RecoveryResult recovery = RecoverArchive(path, file_);
    if (!recovery.Usable()) {
      unavailable_ = true;
      damage_ = recovery.Message(path);
      file_.Close();
      return false;
    }
    // The index may describe the content before the roll-back, or before a change
    // whose journal outlived it: it is written anew from the whole tree.
    recovered_ = recovery.Outcome == JournalRecovery::RolledBack || recovery.Outcome == JournalRecovery::Completed;
    if (recovered_) fullTree_ = true;
  } else {
    const JournalInspection journal = InspectJournal(path);
    if (journal.State == JournalState::Pending || journal.State == JournalState::InUse ||
        journal.State == JournalState::Unreadable) {
      unavailable_ = true;
      damage_ = journal.Describe(path);
      damage_[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(damage_[0])));
      damage_ += ".";
      return false;
    }
    if (!file_.Open(path, platform::OpenMode::ReadShared)) {
      damage_ = "The file cannot be opened.";
      return false;
    }
  }
  try {
    ReadTables(progress);
    tree_.Clear();
    for (uint32_t slot = 0; slot < header_.RootCount; ++slot) {
      if (!roots_[slot].Name.empty()) tree_.AddRootEntry(slot);
    }
    if (fullTree_) {
      tree_.BuildFull();
    } else {
      hashFile_.Load();
    }
  } catch (const VfsError& e) {
    damage_ = e.what();
    Close();
    return false;
  }
  writer_.Attach(&file_, path_, header_.DataStart(), header_.BlockSize);
  if (recovered_) {
    try {
      hashFile_.Save();
    } catch (const VfsError& e) {
      damage_ = e.what();
      Close();
      return false;
    }
  }
  return true;
}

}  // namespace setup
