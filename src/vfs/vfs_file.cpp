#include "vfs/vfs_file.h"

#include <algorithm>

#include "platform/clock.h"

namespace setup {

TVFSFile::TVFSFile() : tree_(*this), hashFile_(*this) {}

TVFSFile::~TVFSFile() { Close(); }

void TVFSFile::Close() {
  writer_.Abandon();
  tree_.Clear();
  hashFile_.Clear();
  blocks_.clear();
  roots_.clear();
  claimed_.clear();
  free_.Reset(0);
  file_.Close();
}

int64_t TVFSFile::FindFreeBlock(bool skip) const {
  uint32_t block = free_.Lowest();
  if (skip && block != 0) block = free_.After(block);
  return block == 0 ? -1 : int64_t{block} - 1;
}

void TVFSFile::WriteBlockEntry(uint32_t block, TVFSBlockEntry entry) {
  blocks_[block - 1] = entry;
  uint8_t bytes[8];
  PutU32(bytes, entry.Used);
  PutU32(bytes + 4, entry.Next);
  writer_.Write(header_.BlockTableOffset() + 8 * uint64_t{block - 1}, ByteView(bytes, 8));
  if (entry.Next == 0) {
    free_.MarkFree(block);
  } else {
    free_.MarkUsed(block);
  }
}

void TVFSFile::WriteFile(TVFSNode& node, const uint8_t* data, uint32_t size) {
  if (data != nullptr && size == 0) throw VfsError("WriteFile: Error Buffer is Assigned but size is 0");
  const uint64_t count = BlocksFor(size, header_.BlockSize);
  if (count > free_.FreeCount()) throw VfsError("No free block is left in the archive.");
  // The chain: the lowest free blocks in ascending order, as taking the first free
  // block and then the second free one as its successor does.
  std::vector<uint32_t> chain;
  chain.reserve(static_cast<size_t>(count));
  for (uint32_t block = free_.Lowest(); chain.size() < count; block = free_.After(block)) chain.push_back(block);

  node.FirstBlock = chain.front();
  node.StoredSize = size;
  node.Time = platform::LocalDosDateTime();
  Bytes piece(header_.BlockSize);
  uint64_t written = 0;
  for (size_t i = 0; i < chain.size(); ++i) {
    const uint32_t next = i + 1 < chain.size() ? chain[i + 1] : kVfsLastBlock;
    WriteBlockEntry(chain[i], TVFSBlockEntry{1, next});
    const size_t n = static_cast<size_t>(std::min<uint64_t>(header_.BlockSize, size - written));
    std::fill(std::copy_n(data == nullptr ? piece.data() : data + written, n, piece.begin()), piece.end(), 0);
    writer_.Write(header_.BlockOffset(chain[i]), piece);
    written += n;
    ++header_.UsedBlocks;
  }
}

void TVFSFile::RewriteFile(TVFSNode& node, const uint8_t* data, uint32_t size) {
  node.Time = platform::LocalDosDateTime();
  Bytes piece(header_.BlockSize);
  uint64_t written = 0;
  uint32_t block = node.FirstBlock;
  for (uint32_t steps = 0; steps < header_.BlockCount && block != 0 && block <= header_.BlockCount; ++steps) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(header_.BlockSize, size - written));
    std::fill(std::copy_n(data + written, n, piece.begin()), piece.end(), 0);
    writer_.Write(header_.BlockOffset(block), piece);
    written += n;
    if (written >= size) return;
    block = blocks_[block - 1].Next;
  }
  throw VfsError("RewriteFile: the chain is shorter than the content");
}

std::unique_ptr<TVFSFileBuffer> TVFSFile::ReadFile(const TVFSNode& node) {
  if (node.StoredSize == 0) return nullptr;
  writer_.Drain();
  Bytes content(node.StoredSize);
  uint64_t done = 0;
  uint32_t block = node.FirstBlock;
  for (uint32_t steps = 0; steps < header_.BlockCount && done < content.size(); ++steps) {
    if (block == 0 || block > header_.BlockCount) break;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(header_.BlockSize, content.size() - done));
    if (!file_.ReadAt(header_.BlockOffset(block), content.data() + done, n)) break;
    done += n;
    block = blocks_[block - 1].Next;
  }
  if (done < content.size()) {
    readError_ = true;
    content.resize(static_cast<size_t>(done));
  }
  return std::make_unique<TVFSFileBuffer>(std::move(content));
}

void TVFSFile::FreeChain(const TVFSNode& node) {
  uint32_t block = node.FirstBlock;
  for (uint32_t steps = 0; steps < header_.BlockCount; ++steps) {
    if (block == 0 || block > header_.BlockCount || blocks_[block - 1].Next == 0) return;
    const uint32_t next = blocks_[block - 1].Next;
    WriteBlockEntry(block, TVFSBlockEntry{0, 0});
    if (header_.UsedBlocks > 0) --header_.UsedBlocks;
    if (next == kVfsLastBlock) return;
    block = next;
  }
}

uint32_t TVFSFile::ChainLength(uint32_t firstBlock) const {
  uint32_t count = 0;
  uint32_t block = firstBlock;
  while (count < header_.BlockCount && block != 0 && block <= header_.BlockCount && blocks_[block - 1].Next != 0) {
    ++count;
    block = blocks_[block - 1].Next;
  }
  return count;
}

void TVFSFile::WriteRootSlot(size_t slot) {
  const auto record = EncodeRecord(roots_[slot]);
  writer_.Write(header_.RootTableOffset() + kVfsRecordSize * uint64_t{slot}, record);
}

platform::Md5Digest TVFSFile::ComputeDigest() {
  platform::Md5 md5;
  if (!md5.Ready()) throw VfsError("MD5 Error");
  const uint64_t size = file_.Size();
  Bytes piece(kVfsDigestPiece);
  for (uint64_t offset = kVfsDigestStart; offset < size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), size - offset));
    if (!file_.ReadAt(offset, piece.data(), n) || !md5.Update(piece.data(), n)) throw VfsError("MD5 Error");
    offset += n;
  }
  platform::Md5Digest digest{};
  if (!md5.Final(digest)) throw VfsError("MD5 Error");
  return digest;
}

void TVFSFile::Flush(bool skipDigest) {
  if (!file_.IsOpen()) return;
  tree_.WriteDirtyFolders();
  writer_.Write(kVfsDigestStart, header_.DescriptionBytes());
  writer_.Drain();
  header_.Digest = {};
  if (!skipDigest) header_.Digest = ComputeDigest();
  writer_.Write(0, header_.FrontBytes());
  writer_.Drain();
  hashFile_.Save();
  writer_.Commit();
}

}  // namespace setup
