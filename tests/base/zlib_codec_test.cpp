#include "base/zlib_codec.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "test_support.h"

namespace setup {
namespace {

// A record may claim a different length than the stream holds: the true length must be
// reported (for the size check) while the buffer never grows past what was expected.
TEST(ZlibCodec, ReportsTheTrueLengthWhenTheExpectedOneIsWrong) {
  const Bytes content = test::CompressibleBytes(50000);
  const Bytes stream = CompressBest(content);

  const InflateResult shorter = Inflate(stream, 1000);
  EXPECT_EQ(shorter.inflatedLength, 50000u);
  EXPECT_EQ(shorter.content.size(), 1000u);

  // A claim of 4 GiB from a small stream must not allocate 4 GiB.
  const InflateResult longer = Inflate(stream, 0xFFFFFFFFull);
  EXPECT_EQ(longer.inflatedLength, 50000u);
  EXPECT_EQ(longer.content.size(), 50000u);
  EXPECT_LE(longer.content.capacity(), MaxInflatedSize(stream.size()));
}

TEST(ZlibCodec, CorruptOrTruncatedStreamsRaiseAnError) {
  const Bytes content = test::CompressibleBytes(20000);
  Bytes stream = CompressBest(content);

  Bytes truncated(stream.begin(), stream.begin() + static_cast<long>(stream.size() / 2));
  EXPECT_THROW(Inflate(truncated, content.size()), SetupError);

  Bytes badHeader = stream;
  badHeader[0] = 0x00;
  EXPECT_THROW(Inflate(badHeader, content.size()), SetupError);

  Bytes badChecksum = stream;
  badChecksum.back() ^= 0xFF;
  EXPECT_THROW(Inflate(badChecksum, content.size()), SetupError);

  EXPECT_THROW(Inflate(ByteView(), 10), SetupError);
}

}  // namespace
}  // namespace setup
