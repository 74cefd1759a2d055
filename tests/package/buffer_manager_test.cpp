#include "package/buffer_manager.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

TEST(BufferManager, ReadsPastTheEndGiveTheRestThenNothing) {
  const Bytes data = {1, 2, 3, 4, 5};
  TBufferManager m(data);
  size_t got = 0;
  EXPECT_EQ(m.Read(3, got), (Bytes{1, 2, 3}));
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(m.Read(10, got), (Bytes{4, 5}));
  EXPECT_EQ(got, 2u);
  EXPECT_FALSE(m.Read(1, got).has_value());
  EXPECT_EQ(got, 0u);
  m.Seek(100);  // a position past the end reads nothing, safely
  EXPECT_FALSE(m.ReadBlock(1).has_value());
  uint8_t dest[4] = {};
  m.Seek(3);
  EXPECT_EQ(m.ReadInto(4, dest), 2u);
  EXPECT_EQ(dest[1], 5);

  TBufferManager empty(nullptr, 10);
  EXPECT_FALSE(empty.Read(1, got).has_value());
}

TEST(BufferManager, ValuesAndCountedStringsStopAtATruncatedRecord) {
  const Bytes data = {0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 3, 0, 'a', 'b', 'c', 9, 0, 'x'};
  TBufferManager m(data);
  uint16_t a = 0;
  uint32_t b = 0;
  std::string s;
  ASSERT_TRUE(m.ReadU16(a));
  ASSERT_TRUE(m.ReadU32(b));
  ASSERT_TRUE(m.ReadString(s));
  EXPECT_EQ(a, 0x1234);
  EXPECT_EQ(b, 0x12345678u);
  EXPECT_EQ(s, "abc");
  const size_t before = m.Position();
  EXPECT_FALSE(m.ReadString(s));  // promises 9 bytes, holds 1
  EXPECT_EQ(m.Position(), before);
  EXPECT_FALSE(m.ReadU32(b));
}

}  // namespace
}  // namespace setup
