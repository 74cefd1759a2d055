// The byte readers and writers are checked through the hand-built records of every
// format (package table, setup information, compiled lines); CRC-32 here against its
// published check value.
#include "base/crc32.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

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
