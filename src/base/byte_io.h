#pragma once
// Little-endian readers and writers over byte buffers. Every binary format of the
// system goes through these; nothing casts structs onto bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace setup {

using Bytes = std::vector<uint8_t>;
using ByteView = std::span<const uint8_t>;

uint16_t GetU16(const uint8_t* p);
uint32_t GetU32(const uint8_t* p);
void PutU16(uint8_t* p, uint16_t value);
void PutU32(uint8_t* p, uint32_t value);

// Appends little-endian values and counted strings to a growing buffer.
class ByteWriter {
 public:
  void U16(uint16_t value);
  void U32(uint32_t value);
  void Raw(ByteView bytes);
  void Raw(const std::string& text);
  // A u16 byte count followed by the 8-bit characters, no terminator.
  // Throws SetupError when the text is longer than 65,535 bytes.
  void CountedString(const std::string& text);

  const Bytes& bytes() const { return bytes_; }
  Bytes take() { return std::move(bytes_); }

 private:
  Bytes bytes_;
};

// Reads little-endian values from a borrowed buffer without ever passing its end:
// a read that does not fit fails (returns false) and leaves the position unchanged.
class ByteReader {
 public:
  explicit ByteReader(ByteView data) : data_(data) {}

  bool U16(uint16_t& out);
  bool U32(uint32_t& out);
  bool Raw(size_t count, ByteView& out);
  bool CountedString(std::string& out);

  size_t position() const { return pos_; }
  size_t remaining() const { return data_.size() - pos_; }

 private:
  ByteView data_;
  size_t pos_ = 0;
};

}  // namespace setup
