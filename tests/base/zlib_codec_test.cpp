// CRC-32 against its published check value, and the zlib helpers.
#include "base/zlib_codec.h"

#include <gtest/gtest.h>

#include "base/crc32.h"
#include "base/errors.h"
#include "test_support.h"

namespace setup {
namespace {

using test::ErrorOf;

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

// A 32-bit process cannot hold what a 64-bit size may claim: the claim is refused, never
// narrowed into a small buffer that inflate would then overrun.
TEST(ZlibCodec, SizesBeyondTheAddressSpaceAreRefused) {
  const Bytes stream = CompressBest(Bytes(100000, 0));
  EXPECT_NE(ErrorOf([&] { Inflate(stream, 100000, 0x7FFF); }).find("too large"), std::string::npos);
  EXPECT_EQ(Inflate(stream, 100000, 100000).content.size(), 100000u);
}

// Pieces in, pieces out: the same content as a whole inflation, whatever the cuts.
TEST(ZlibCodec, StreamInflaterHandsOnPiecesAndRefusesTrailingBytes) {
  const Bytes content = test::CompressibleBytes(300000);
  const Bytes stream = CompressBest(content);
  for (size_t cut : {size_t{1}, size_t{777}, stream.size()}) {
    StreamInflater inflater(4096);
    Bytes out;
    for (size_t at = 0; at < stream.size(); at += cut) {
      const ByteView piece = ByteView(stream).subspan(at, std::min(cut, stream.size() - at));
      ASSERT_TRUE(inflater.Feed(piece, [&](ByteView b) {
        EXPECT_LE(b.size(), 4096u);
        out.insert(out.end(), b.begin(), b.end());
        return true;
      }));
    }
    EXPECT_TRUE(inflater.Finished());
    EXPECT_EQ(out, content) << cut;
    EXPECT_THROW(inflater.Feed(test::ToBytes("x"), [](ByteView) { return true; }), SetupError);
  }
}

}  // namespace
}  // namespace setup
