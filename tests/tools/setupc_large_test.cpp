// An entry at the large-entry threshold: stored raw without a CRC, not read by verify,
// and streamed to disk by extract (a fault here loads 70 MiB whole or corrupts it).
#include <filesystem>
#include <fstream>

#include "package/pak_entry.h"
#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;

bool SameFileContents(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  std::vector<char> ba(1 << 20), bb(1 << 20);
  for (;;) {
    fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
    fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
    if (fa.gcount() != fb.gcount()) return false;
    if (!std::equal(ba.begin(), ba.begin() + fa.gcount(), bb.begin())) return false;
    if (fa.gcount() == 0) return true;
  }
}

TEST_F(SetupcTest, LargeEntryIsStoredRawAndStreamedBack) {
  // Mostly zeros (a sparse file), with marks at both ends and in a middle chunk.
  const std::string big = Path("big.bin");
  {
    std::ofstream out(big, std::ios::binary);
    out << "start";
  }
  fs::resize_file(big, kLargeEntrySize);
  {
    std::fstream io(big, std::ios::binary | std::ios::in | std::ios::out);
    io.seekp(kStreamChunkSize + 17);
    io << "middle";
    io.seekp(kLargeEntrySize - 3);
    io << "end";
  }
  const std::string package = Pack(
      "p.pak", {"1:small.txt=" + Source("small", test::CompressibleBytes(1000)), "1:big\\big.bin=" + big});

  const test::Bytes tail = [&] {
    std::ifstream in(package, std::ios::binary | std::ios::ate);
    const auto size = static_cast<size_t>(in.tellg());
    in.seekg(static_cast<std::streamoff>(size - 100));
    test::Bytes b(100);
    in.read(reinterpret_cast<char*>(b.data()), 100);
    return b;
  }();
  // The last record ends with CRC, offset, stored size, size, group before the trailer.
  const size_t group = tail.size() - 16 - 2;
  EXPECT_EQ(U16At(tail, group), 1);
  EXPECT_EQ(U32At(tail, group - 4), kLargeEntrySize);  // size
  EXPECT_EQ(U32At(tail, group - 8), 0u);               // stored raw
  EXPECT_EQ(U32At(tail, group - 16), 0u);              // no CRC

  RunResult r = Run({"verify", package});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out, "2 entries verified (1 large entry not read)\n");

  r = Run({"extract", package, Path("out")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(fs::file_size(Path("out/1/big/big.bin")), kLargeEntrySize);
  EXPECT_TRUE(SameFileContents(big, Path("out/1/big/big.bin")));
}

}  // namespace
}  // namespace setup::setupc
