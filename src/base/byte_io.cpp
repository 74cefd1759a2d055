#include "base/byte_io.h"

#include "base/errors.h"

namespace setup {

uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutU16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

void ByteWriter::U16(uint16_t value) {
  uint8_t b[2];
  PutU16(b, value);
  bytes_.insert(bytes_.end(), b, b + 2);
}

void ByteWriter::U32(uint32_t value) {
  uint8_t b[4];
  PutU32(b, value);
  bytes_.insert(bytes_.end(), b, b + 4);
}

void ByteWriter::Raw(ByteView bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }

void ByteWriter::Raw(const std::string& text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }

void ByteWriter::CountedString(const std::string& text) {
  if (text.size() > 0xFFFF) {
    throw SetupError("Text too long for a counted string (" + std::to_string(text.size()) +
                     " bytes, at most 65535)");
  }
  U16(static_cast<uint16_t>(text.size()));
  Raw(text);
}

bool ByteReader::U16(uint16_t& out) {
  if (remaining() < 2) return false;
  out = GetU16(data_.data() + pos_);
  pos_ += 2;
  return true;
}

bool ByteReader::U32(uint32_t& out) {
  if (remaining() < 4) return false;
  out = GetU32(data_.data() + pos_);
  pos_ += 4;
  return true;
}

bool ByteReader::Raw(size_t count, ByteView& out) {
  if (remaining() < count) return false;
  out = data_.subspan(pos_, count);
  pos_ += count;
  return true;
}

bool ByteReader::CountedString(std::string& out) {
  const size_t start = pos_;
  uint16_t length = 0;
  ByteView chars;
  if (!U16(length) || !Raw(length, chars)) {
    pos_ = start;
    return false;
  }
  out.assign(chars.begin(), chars.end());
  return true;
}

}  // namespace setup
