// An entry at the large-entry threshold: not read by verify, and streamed to disk by
// extract (a fault here loads 70 MiB whole or corrupts it).
#include <filesystem>
#include <fstream>

#include "package/pak_entry.h"
#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;

TEST_F(SetupcTest, LargeEntryIsSkippedByVerifyAndStreamedBack) {
  // Mostly zeros (a sparse file), with marks at both ends and in a middle chunk.
  const std::string big = Source("big.bin", test::ToBytes("start"));
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

  RunResult r = Run({"verify", package});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out, "2 entries verified (1 large entry not read)\n");

  r = Run({"extract", package, Path("out")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(fs::file_size(Path("out/1/big/big.bin")), kLargeEntrySize);
  std::ifstream source(big, std::ios::binary), extracted(Path("out/1/big/big.bin"), std::ios::binary);
  for (std::string a(1 << 20, 0), b(a); source.read(a.data(), 1 << 20), source.gcount() > 0;) {
    extracted.read(b.data(), 1 << 20);
    ASSERT_EQ(extracted.gcount(), source.gcount());
    ASSERT_EQ(a.compare(0, static_cast<size_t>(source.gcount()), b, 0, static_cast<size_t>(source.gcount())),
              0);
  }
}

}  // namespace
}  // namespace setup::setupc
