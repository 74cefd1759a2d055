#pragma once
// A sequential reader over a borrowed buffer, used by the record parsers. It never
// owns or frees the buffer it reads.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/byte_io.h"

namespace setup {

class TBufferManager {
 public:
  TBufferManager() = default;
  TBufferManager(const uint8_t* buffer, size_t size) { Create(buffer, size); }
  explicit TBufferManager(ByteView buffer) { Create(buffer.data(), buffer.size()); }

  void Create(const uint8_t* buffer, size_t size);

  // A new block of min(count, remaining) bytes; nullopt (and got 0) when nothing remains.
  std::optional<Bytes> Read(size_t count, size_t& got);
  std::optional<Bytes> ReadBlock(size_t count);
  // Copies min(count, remaining) bytes into dest and returns how many.
  size_t ReadInto(size_t count, uint8_t* dest);
  void Seek(size_t position);

  // Little-endian values and the u16-counted string; false (nothing consumed) when the
  // buffer ends first, so a truncated record is told apart from a short value.
  bool ReadU16(uint16_t& value);
  bool ReadU32(uint32_t& value);
  bool ReadString(std::string& value);

  size_t Position() const { return position_; }
  size_t Size() const { return size_; }
  size_t Remaining() const { return position_ < size_ ? size_ - position_ : 0; }

 private:
  const uint8_t* buffer_ = nullptr;
  size_t position_ = 0;
  size_t size_ = 0;
};

}  // namespace setup
