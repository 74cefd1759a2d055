#pragma once
// The free blocks of an archive as a bitmap with a set of the words that hold a free
// bit, so that the lowest free block is found in logarithmic time however the blocks
// were freed and taken (a linear scan per block would make an update quadratic).

#include <cstdint>
#include <set>
#include <vector>

namespace setup {

class VfsFreeBlocks {
 public:
  // Blocks are numbered from 1 to count; all start in use.
  void Reset(uint32_t count);
  void MarkFree(uint32_t block);
  void MarkUsed(uint32_t block);
  bool IsFree(uint32_t block) const;
  uint32_t FreeCount() const { return freeCount_; }
  // The lowest free block; 0 when none is free.
  uint32_t Lowest() const;
  // The lowest free block above block; 0 when none.
  uint32_t After(uint32_t block) const;

 private:
  std::vector<uint64_t> bits_;
  std::set<uint32_t> words_;  // words with at least one free bit
  uint32_t count_ = 0;
  uint32_t freeCount_ = 0;
};

}  // namespace setup
