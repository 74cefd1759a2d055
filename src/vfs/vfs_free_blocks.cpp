#include "vfs/vfs_free_blocks.h"

#include <bit>

namespace setup {

void VfsFreeBlocks::Reset(uint32_t count) {
  count_ = count;
  freeCount_ = 0;
  bits_.assign((uint64_t{count} + 63) / 64, 0);
  words_.clear();
}

void VfsFreeBlocks::MarkFree(uint32_t block) {
  if (block == 0 || block > count_ || IsFree(block)) return;
  const uint32_t i = block - 1;
  bits_[i / 64] |= uint64_t{1} << (i % 64);
  words_.insert(i / 64);
  ++freeCount_;
}

void VfsFreeBlocks::MarkUsed(uint32_t block) {
  if (block == 0 || block > count_ || !IsFree(block)) return;
  const uint32_t i = block - 1;
  bits_[i / 64] &= ~(uint64_t{1} << (i % 64));
  if (bits_[i / 64] == 0) words_.erase(i / 64);
  --freeCount_;
}

bool VfsFreeBlocks::IsFree(uint32_t block) const {
  if (block == 0 || block > count_) return false;
  const uint32_t i = block - 1;
  return (bits_[i / 64] >> (i % 64) & 1) != 0;
}

uint32_t VfsFreeBlocks::Lowest() const {
  if (words_.empty()) return 0;
  const uint32_t word = *words_.begin();
  return word * 64 + static_cast<uint32_t>(std::countr_zero(bits_[word])) + 1;
}

uint32_t VfsFreeBlocks::After(uint32_t block) const {
  if (block >= count_) return 0;
  // Bit index of the next block is block (blocks are numbered from 1).
  uint32_t word = block / 64;
  const uint64_t rest = bits_[word] & (~uint64_t{0} << (block % 64));
  if (rest != 0) return word * 64 + static_cast<uint32_t>(std::countr_zero(rest)) + 1;
  auto it = words_.upper_bound(word);
  if (it == words_.end()) return 0;
  word = *it;
  return word * 64 + static_cast<uint32_t>(std::countr_zero(bits_[word])) + 1;
}

}  // namespace setup
