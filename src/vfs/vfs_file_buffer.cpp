#include "vfs/vfs_file_buffer.h"

#include <algorithm>
#include <cstring>

namespace setup {

size_t TVFSFileBuffer::Read(void* dest, size_t count) {
  const size_t n = std::min(count, data_.size() - position_);
  if (n > 0) std::memcpy(dest, data_.data() + position_, n);
  position_ += n;
  return n;
}

bool TVFSFileBuffer::ReadU32(uint32_t& value) {
  if (data_.size() - position_ < 4) return false;
  value = GetU32(data_.data() + position_);
  position_ += 4;
  return true;
}

std::string TVFSFileBuffer::ReadText(size_t count) {
  const size_t n = std::min(count, data_.size() - position_);
  std::string text(data_.begin() + static_cast<std::ptrdiff_t>(position_),
                   data_.begin() + static_cast<std::ptrdiff_t>(position_ + n));
  position_ += n;
  return text;
}

}  // namespace setup
