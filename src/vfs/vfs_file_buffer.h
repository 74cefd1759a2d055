#pragma once
// A reader over a private copy of a block of bytes: n bytes (fewer at the end), a u32,
// or n single characters into a text.

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/byte_io.h"

namespace setup {

class TVFSFileBuffer {
 public:
  explicit TVFSFileBuffer(Bytes data) : data_(std::move(data)) {}

  size_t Size() const { return data_.size(); }
  size_t Position() const { return position_; }
  const Bytes& Data() const { return data_; }
  Bytes Take() { return std::move(data_); }

  // Copies up to count bytes to dest; returns how many.
  size_t Read(void* dest, size_t count);
  // A little-endian u32; false (and nothing consumed) when fewer than 4 bytes are left.
  bool ReadU32(uint32_t& value);
  // Up to count characters as a text.
  std::string ReadText(size_t count);

 private:
  Bytes data_;
  size_t position_ = 0;
};

}  // namespace setup
