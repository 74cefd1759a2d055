#include "base/byte_io.h"

#include <gtest/gtest.h>

#include "base/crc32.h"
#include "base/errors.h"

namespace setup {
namespace {

// Catches a wrong byte order or a reader that runs past the end of its buffer.
TEST(ByteIo, LittleEndianValuesAndCountedStringsRoundTripAndStopAtTheEnd) {
  ByteWriter w;
  w.U16(0x1234);
  w.U32(0xA1B2C3D4);
  w.CountedString("Setup");
  const Bytes expected = {0x34, 0x12, 0xD4, 0xC3, 0xB2, 0xA1, 5, 0, 'S', 'e', 't', 'u', 'p'};
  ASSERT_EQ(w.bytes(), expected);

  ByteReader r(w.bytes());
  uint16_t a = 0;
  uint32_t b = 0;
  std::string s;
  ASSERT_TRUE(r.U16(a) && r.U32(b) && r.CountedString(s));
  EXPECT_EQ(a, 0x1234);
  EXPECT_EQ(b, 0xA1B2C3D4u);
  EXPECT_EQ(s, "Setup");
  EXPECT_FALSE(r.U16(a));

  // A counted string whose count promises more than remains is refused whole.
  const Bytes truncated = {9, 0, 'a', 'b'};
  ByteReader t(truncated);
  EXPECT_FALSE(t.CountedString(s));
  EXPECT_EQ(t.position(), 0u);
}

TEST(ByteIo, CountedStringRefusesTextOverSixtyFiveThousandBytes) {
  ByteWriter w;
  EXPECT_NO_THROW(w.CountedString(std::string(0xFFFF, 'x')));
  EXPECT_THROW(w.CountedString(std::string(0x10000, 'x')), SetupError);
}

// The published check value of CRC-32 for "123456789" is CBF43926.
TEST(Crc32, KnownAnswerAndContinuation) {
  const std::string text = "123456789";
  const Bytes bytes(text.begin(), text.end());
  EXPECT_EQ(Crc32(bytes), 0xCBF43926u);
  const uint32_t first = Crc32(ByteView(bytes).first(4));
  EXPECT_EQ(Crc32(ByteView(bytes).subspan(4), first), 0xCBF43926u);
  EXPECT_EQ(Crc32(ByteView()), 0u);
}

}  // namespace
}  // namespace setup
