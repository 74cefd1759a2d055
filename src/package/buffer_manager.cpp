#include "package/buffer_manager.h"

#include <algorithm>
#include <cstring>

namespace setup {

void TBufferManager::Create(const uint8_t* buffer, size_t size) {
  buffer_ = buffer;
  size_ = buffer != nullptr ? size : 0;
  position_ = 0;
}

std::optional<Bytes> TBufferManager::Read(size_t count, size_t& got) {
  got = std::min(count, Remaining());
  if (got == 0) return std::nullopt;
  Bytes block(buffer_ + position_, buffer_ + position_ + got);
  position_ += got;
  return block;
}

std::optional<Bytes> TBufferManager::ReadBlock(size_t count) {
  size_t got = 0;
  return Read(count, got);
}

size_t TBufferManager::ReadInto(size_t count, uint8_t* dest) {
  const size_t got = std::min(count, Remaining());
  if (got > 0) std::memcpy(dest, buffer_ + position_, got);
  position_ += got;
  return got;
}

void TBufferManager::Seek(size_t position) { position_ = position; }

bool TBufferManager::ReadU16(uint16_t& value) {
  if (Remaining() < 2) return false;
  value = GetU16(buffer_ + position_);
  position_ += 2;
  return true;
}

bool TBufferManager::ReadU32(uint32_t& value) {
  if (Remaining() < 4) return false;
  value = GetU32(buffer_ + position_);
  position_ += 4;
  return true;
}

bool TBufferManager::ReadString(std::string& value) {
  const size_t start = position_;
  uint16_t length = 0;
  if (!ReadU16(length)) return false;
  if (Remaining() < length) {
    position_ = start;
    return false;
  }
  value.assign(reinterpret_cast<const char*>(buffer_ + position_), length);
  position_ += length;
  return true;
}

}  // namespace setup
