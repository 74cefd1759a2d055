#include "package/buffer_manager.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

// Catches: a block read past the end of the borrowed buffer, a count reported larger
// than what was copied, a seek past the end that reads anyway. (Values and counted
// strings are checked through the record readers' truncation sweeps.)
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
  m.Seek(100);
  EXPECT_FALSE(m.ReadBlock(1).has_value());
  uint8_t dest[4] = {};
  m.Seek(3);
  EXPECT_EQ(m.ReadInto(4, dest), 2u);
  EXPECT_EQ(dest[1], 5);
  TBufferManager empty(nullptr, 10);
  EXPECT_FALSE(empty.Read(1, got).has_value());
}

}  // namespace
}  // namespace setup
