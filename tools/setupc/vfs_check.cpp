// setupc vfs check ARCHIVE: reads the archive's bytes by itself (not through the
// engine, which stops at the first fault) and reports every problem it finds: the
// header and tables, each chain, the free blocks, UsedBlocks, the digest, the contents
// of compressed files and the ".ht" index.

#include <algorithm>
#include <cstdint>
#include <map>
#include <ostream>
#include <unordered_set>

#include "journal/archive_journal.h"
#include "platform/files.h"
#include "platform/md5.h"
#include "setupc/commands.h"
#include "setupc/setupc.h"
#include "setupc/text.h"
#include "vfs/vfs_content.h"
#include "vfs/vfs_format.h"
#include "vfs/vfs_hash_file.h"

namespace setup::setupc {

namespace {

class Checker {
 public:
  Checker(platform::File& file, std::ostream& out) : file_(file), out_(out) {}

  size_t Run(const std::string& path);

 private:
  void Problem(const std::string& text) {
    out_ << "problem: " << OneLine(AnsiToUtf8(text)) << "\n";
    ++problems_;
  }
  bool ReadHeader();
  // Walks a chain; the blocks in order, empty when it is broken (reported).
  std::vector<uint32_t> Chain(const TVFSNode& node, const std::string& path);
  Bytes ReadChain(const std::vector<uint32_t>& chain, uint32_t size);
  void Walk();
  void CheckBlocks();
  void CheckDigest();
  void CheckIndex(const std::string& path);

  struct Item {
    std::string path;
    TVFSNode node;
  };

  platform::File& file_;
  std::ostream& out_;
  size_t problems_ = 0;
  uint64_t size_ = 0;
  TVFSHeader h_;
  std::vector<TVFSBlockEntry> blocks_;
  std::vector<uint8_t> owner_;  // 1 when a chain holds the block
  std::vector<Item> items_;
  size_t files_ = 0;
};

bool Checker::ReadHeader() {
  size_ = file_.Size();
  Bytes fixed(kVfsFixedHeaderSize);
  if (!file_.ReadAt(0, fixed.data(), fixed.size())) {
    Problem("the header is incomplete (" + std::to_string(size_) + " bytes)");
    return false;
  }
  h_.BlockSize = GetU32(&fixed[4]);
  h_.BlockCount = GetU32(&fixed[8]);
  h_.RootCount = GetU32(&fixed[12]);
  std::copy_n(&fixed[28], 16, h_.Digest.begin());
  h_.DescriptionSize = GetU32(&fixed[44]);
  if (h_.DescriptionSize < kVfsMinDescriptionSize) Problem("DescriptionSize is below 256");
  if (h_.DescriptionSize < kVfsMinDescriptionSize || h_.BlockTableOffset() > size_ ||
      h_.BlockTableOffset() > SIZE_MAX / 2) {
    Problem("the header is incomplete");
    return false;
  }
  uint8_t used[4];
  file_.ReadAt(h_.BlockTableOffset() - 4, used, 4);
  h_.UsedBlocks = GetU32(used);
  if (h_.RootCount > kVfsMaxRootCount) Problem("RootCount " + std::to_string(h_.RootCount) + " is above 256");
  if (h_.BlockSize == 0 && h_.BlockCount > 0) Problem("BlockSize is 0");
  if (h_.DataStart() > SIZE_MAX / 2) {
    Problem("the tables are too large to read");
    return false;
  }
  if (h_.DataEnd() > size_) {
    Problem("the tables and blocks need " + std::to_string(h_.DataEnd()) + " bytes; the file holds " +
            std::to_string(size_));
    return false;
  }
  Bytes table(8 * size_t{h_.BlockCount});
  file_.ReadAt(h_.BlockTableOffset(), table.data(), table.size());
  blocks_.resize(h_.BlockCount);
  for (size_t i = 0; i < blocks_.size(); ++i) blocks_[i] = {GetU32(&table[8 * i]), GetU32(&table[8 * i + 4])};
  owner_.assign(h_.BlockCount, 0);
  return h_.RootCount <= kVfsMaxRootCount && (h_.BlockSize > 0 || h_.BlockCount == 0);
}

std::vector<uint32_t> Checker::Chain(const TVFSNode& node, const std::string& path) {
  std::vector<uint32_t> chain;
  if (node.FirstBlock == 0) {
    if (node.StoredSize > 0) Problem(path + ": content without a first block");
    return chain;
  }
  for (uint32_t block = node.FirstBlock;;) {
    if (block == 0 || block > h_.BlockCount) {
      Problem(path + ": the chain leaves the block table at " + std::to_string(block));
      return {};
    }
    if (blocks_[block - 1].Next == 0) {
      Problem(path + ": the chain runs into the free block " + std::to_string(block));
      return {};
    }
    if (owner_[block - 1] != 0) {
      Problem(path + ": the chain loops or shares block " + std::to_string(block));
      return {};
    }
    owner_[block - 1] = 1;
    chain.push_back(block);
    if (blocks_[block - 1].Next == kVfsLastBlock) break;
    block = blocks_[block - 1].Next;
  }
  const uint64_t need = BlocksFor(node.StoredSize, h_.BlockSize);
  if (chain.size() < need) Problem(path + ": " + std::to_string(node.StoredSize) + " bytes in " +
                                   std::to_string(chain.size()) + " blocks");
  if (chain.size() > need) Problem(path + ": the chain is longer than its content");
  return chain.size() < need ? std::vector<uint32_t>() : chain;
}

Bytes Checker::ReadChain(const std::vector<uint32_t>& chain, uint32_t size) {
  Bytes content(size);
  uint64_t done = 0;
  for (uint32_t block : chain) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(h_.BlockSize, size - done));
    if (n == 0) break;
    file_.ReadAt(h_.BlockOffset(block), content.data() + done, n);
    done += n;
  }
  return content;
}

void Checker::Walk() {
  Bytes roots(kVfsRecordSize * size_t{h_.RootCount});
  file_.ReadAt(h_.RootTableOffset(), roots.data(), roots.size());
  for (uint32_t slot = 0; slot < h_.RootCount; ++slot) {
    TVFSNode node = DecodeRecord(&roots[kVfsRecordSize * slot]);
    if (!node.Name.empty()) items_.push_back({node.Name, node});
  }
  std::unordered_set<std::string> seen;
  for (size_t i = 0; i < items_.size(); ++i) {
    const Item item = items_[i];
    if (item.node.Name.empty() || item.node.Name.find('\\') != std::string::npos) {
      Problem(item.path + ": a name holds \"\\\" or is empty");
    }
    if (!seen.insert(VfsFoldCase(item.path)).second) Problem(item.path + ": the path occurs twice");
    if (item.node.IsFile() == item.node.IsFolder()) Problem(item.path + ": neither file nor folder, or both");
    const std::vector<uint32_t> chain = Chain(item.node, item.path);
    if (chain.empty() && item.node.StoredSize > 0) continue;
    if (item.node.IsFolder()) {
      if (item.node.StoredSize % kVfsRecordSize != 0) Problem(item.path + ": a folder content of odd length");
      const Bytes content = ReadChain(chain, item.node.StoredSize);
      for (size_t k = 0; k + kVfsRecordSize <= content.size(); k += kVfsRecordSize) {
        TVFSNode child = DecodeRecord(&content[k]);
        items_.push_back({item.path + "\\" + child.Name, child});
      }
    } else if (item.node.IsFile()) {
      ++files_;
      if ((item.node.Flags & kVfsFlagCompressed) != 0) {
        std::string error;
        if (!UnpackContent(ReadChain(chain, item.node.StoredSize), item.node, error)) {
          Problem(item.path + ": " + error);
        }
      } else if (item.node.UnpackedSize != 0) {
        Problem(item.path + ": UnpackedSize is set for content stored as it is");
      }
    }
  }
}

void Checker::CheckBlocks() {
  uint32_t used = 0;
  for (uint32_t i = 0; i < h_.BlockCount; ++i) {
    const TVFSBlockEntry& e = blocks_[i];
    if (e.Next != 0) ++used;
    if (e.Next != 0 && e.Next != kVfsLastBlock && e.Next > h_.BlockCount) {
      Problem("block " + std::to_string(i + 1) + " links outside the table");
    }
    if ((e.Next == 0) != (e.Used == 0)) {
      Problem("block " + std::to_string(i + 1) + ": Used " + std::to_string(e.Used) + " with Next " +
              std::to_string(e.Next));
    }
    if (e.Next != 0 && owner_[i] == 0) Problem("block " + std::to_string(i + 1) + " is in use but in no chain");
  }
  if (used != h_.UsedBlocks) {
    Problem("UsedBlocks is " + std::to_string(h_.UsedBlocks) + "; the table has " + std::to_string(used) +
            " blocks in use");
  }
}

void Checker::CheckDigest() {
  platform::Md5 md5;
  Bytes piece(kVfsDigestPiece);
  for (uint64_t offset = kVfsDigestStart; offset < size_;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), size_ - offset));
    file_.ReadAt(offset, piece.data(), n);
    md5.Update(piece.data(), n);
    offset += n;
  }
  platform::Md5Digest digest{};
  if (!md5.Final(digest)) {
    Problem("the MD5 service failed");
  } else if (!std::equal(digest.begin(), digest.end(), h_.Digest.begin())) {
    Problem("the digest does not match the content");
  }
}

void Checker::CheckIndex(const std::string& path) {
  std::vector<TVFSHashRecord> list;
  for (const Item& item : items_) {
    if (!item.node.IsFile()) continue;
    const TVFSNode& n = item.node;
    list.push_back({PathHash(HashKeyOf(item.path)), n.Flags, n.StoredSize, n.UnpackedSize, n.FirstBlock, 1});
  }
  const std::vector<TVFSHashRecord> expected = TVFSHashFile::BuildRecords(std::move(list));
  const std::string indexPath = TVFSHashFile::IndexPath(path);
  platform::File index;
  if (!index.Open(indexPath, platform::OpenMode::ReadShared)) {
    if (!expected.empty()) Problem("the index " + indexPath + " is missing");
    return;
  }
  const uint64_t size = index.Size();
  uint8_t countBytes[4] = {};
  index.ReadAt(0, countBytes, 4);
  const uint32_t count = GetU32(countBytes);
  if (size < 4 || size != 4 + uint64_t{count} * kVfsHashRecordSize) {
    Problem("the index holds " + std::to_string(size) + " bytes for " + std::to_string(count) + " records");
    return;
  }
  Bytes bytes(size_t{count} * kVfsHashRecordSize);
  index.ReadAt(4, bytes.data(), bytes.size());
  std::map<uint32_t, const TVFSHashRecord*> byHash;
  for (const TVFSHashRecord& r : expected) byHash[r.Hash] = &r;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* p = &bytes[size_t{i} * kVfsHashRecordSize];
    const uint32_t hash = GetU32(p);
    if (i > 0 && GetU32(p - kVfsHashRecordSize) >= hash) Problem("index record " + std::to_string(i) + " is out of order");
    const auto it = byHash.find(hash);
    if (it == byHash.end()) {
      Problem("index record " + std::to_string(i) + " names no file of the archive");
      continue;
    }
    const TVFSHashRecord& e = *it->second;
    if (p[20] != e.Valid) Problem("index record " + std::to_string(i) + " has the wrong validity flag");
    if (e.Valid == 1 && (GetU32(p + 4) != e.Flags || GetU32(p + 8) != e.StoredSize ||
                         GetU32(p + 12) != e.UnpackedSize || GetU32(p + 16) != e.FirstBlock)) {
      Problem("index record " + std::to_string(i) + " does not describe its file");
    }
    byHash.erase(it);
  }
  for (const auto& [hash, record] : byHash) Problem("the index lacks the hash " + std::to_string(hash));
}

size_t Checker::Run(const std::string& path) {
  // Only a journal that leaves the archive in doubt is a problem; a harmless one or
  // one of a replaced file is named all the same.
  const JournalInspection journal = InspectJournal(path);
  if (journal.State == JournalState::Harmless || journal.State == JournalState::Replaced) {
    out_ << journal.Describe(path) << "\n";
  } else if (journal.State != JournalState::None) {
    Problem(journal.Describe(path));
  }
  if (ReadHeader()) {
    Walk();
    CheckBlocks();
    CheckDigest();
    CheckIndex(path);
    out_ << files_ << " files, " << items_.size() - files_ << " folders, " << h_.UsedBlocks << " of "
         << h_.BlockCount << " blocks used\n";
  }
  return problems_;
}

}  // namespace

int VfsCheck(const std::string& path, std::ostream& out, std::ostream& err) {
  platform::File file;
  if (!file.Open(path, platform::OpenMode::ReadShared)) {
    ReportError(err, "cannot open " + path);
    return kExitFailed;
  }
  const size_t problems = Checker(file, out).Run(path);
  out << (problems == 0 ? "ok\n" : std::to_string(problems) + " problems\n");
  return problems == 0 ? kExitOk : kExitFailed;
}

}  // namespace setup::setupc
