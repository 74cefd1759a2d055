// CRC-32 against its published check value, and the zlib helpers.
#include "base/zlib_codec.h"

#include <gtest/gtest.h>

#include "base/crc32.h"
#include "base/errors.h"
#include "test_support.h"

namespace setup {
namespace {

TEST(Crc32, KnownAnswerAndContinuation) {
  const Bytes bytes = test::ToBytes("123456789");
  EXPECT_EQ(Crc32(bytes), 0xCBF43926u);
  EXPECT_EQ(Crc32(ByteView(bytes).subspan(4), Crc32(ByteView(bytes).first(4))), 0xCBF43926u);
  EXPECT_EQ(Crc32(ByteView()), 0u);
}

// A record may claim a different length than the stream holds: the true length must be
// reported (for the size check) while the buffer never grows past what was expected.
TEST(ZlibCodec, ReportsTheTrueLengthWhenTheExpectedOneIsWrong) {
  const Bytes stream = CompressBest(test::CompressibleBytes(50000));
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
  const Bytes stream = CompressBest(test::CompressibleBytes(20000));
  const Bytes truncated(stream.begin(), stream.begin() + static_cast<long>(stream.size() / 2));
  Bytes badHeader = stream, badChecksum = stream;
  badHeader[0] = 0x00;
  badChecksum.back() ^= 0xFF;
  for (const Bytes& bad : {truncated, badHeader, badChecksum, Bytes()}) {
    EXPECT_THROW(Inflate(bad, 20000), SetupError);
  }
}

}  // namespace
}  // namespace setup
