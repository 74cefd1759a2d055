// pack, then verify and extract: a package alone or after a host gives back every source
// unchanged, a large entry is streamed, and a pack that fails leaves the output as it was.
#include <filesystem>
#include <fstream>

#include "package/pak_entry.h"
#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ToBytes;

struct SourceFile {
  uint16_t group;
  std::string name;
  Bytes content;
};

const std::vector<SourceFile> kSources = {
    {0, "SetupInfo", test::CompressibleBytes(3000, 1)},
    {1, "data\\sub\\packed.bin", test::CompressibleBytes(20000, 2)},
    {1, "empty.txt", {}},
    {2, "random.bin", test::RandomBytes(5000)},
    {2, "data\\empty again", {}},
    {1, "SetupInfo", ToBytes("same name, other group")},
};

class PackTest : public SetupcTest {
 protected:
  std::vector<std::string> Entries(const std::vector<SourceFile>& sources) {
    std::vector<std::string> entries;
    for (size_t i = 0; i < sources.size(); ++i) {
      const SourceFile& s = sources[i];
      entries.push_back(std::to_string(s.group) + ":" + s.name + "=" +
                        Source("source" + std::to_string(i), s.content));
    }
    return entries;
  }

  // Every source of the group (all groups when none) is in folder/GROUP/NAME; the others are not.
  void ExpectExtracted(const std::string& folder, int onlyGroup = -1) {
    for (const SourceFile& s : kSources) {
      const std::string path = folder + "/" + std::to_string(s.group) + "/" + Slashes(s.name);
      if (onlyGroup >= 0 && s.group != onlyGroup) {
        EXPECT_FALSE(fs::exists(path)) << path;
      } else {
        EXPECT_EQ(test::ReadFileBytes(path), s.content) << path;
        EXPECT_TRUE(fs::is_regular_file(path)) << path;
      }
    }
  }
};

TEST_F(PackTest, RoundTripAfterAHostAndAlone) {
  const Bytes host = test::RandomBytes(1000, 3);
  const std::string hostPath = Source("host.exe", host);
  for (const bool withHost : {true, false}) {  // alone, without entries
    const std::string package =
        Pack("p.pak", withHost ? Entries(kSources) : std::vector<std::string>{}, withHost ? hostPath : "");
    const Bytes bytes = test::ReadFileBytes(package);
    const size_t hostSize = withHost ? host.size() : 0;
    ASSERT_GE(bytes.size(), hostSize + 16);
    EXPECT_TRUE(std::equal(host.begin(), host.begin() + static_cast<long>(hostSize), bytes.begin()));

    const std::string count = std::to_string(withHost ? kSources.size() : 0) + " entries";
    RunResult r = Run({"list", "--json", package});
    EXPECT_NE(r.out.find("\"data_start\": " + std::to_string(hostSize) + ","), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\"entries\": []\n}") != std::string::npos, !withHost) << r.out;
    r = Run({"verify", package});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out, count + " verified\n");
    r = Run({"extract", package, Path("out")});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out, count + " extracted to " + Path("out") + "\n");
  }
  ExpectExtracted(Path("out"));
  EXPECT_EQ(test::ReadFileBytes(hostPath), host) << "the host file must stay untouched";

  fs::remove_all(Path("out"));
  const RunResult r = Run({"extract", Pack("p.pak", Entries(kSources)), Path("out"), "--group", "2"});
  EXPECT_EQ(r.out, "2 entries extracted to " + Path("out") + "\n") << r.err;
  ExpectExtracted(Path("out"), 2);
}

TEST_F(PackTest, AFailingPackLeavesTheOutputAsItWas) {
  const std::string a = "0:a=" + Source("a", ToBytes("content"));
  const std::string package = Pack("p.pak", {a});
  const Bytes before = test::ReadFileBytes(package);
  fs::create_directories(Path("folder"));
  std::vector<std::string> tooMany = {package};
  tooMany.resize(1 + 65536, "1:x=" + Path("never-read"));
  struct Case {
    std::vector<std::string> arguments;  // after "pack"
    int code;
    std::string errPart;
  };
  const Case cases[] = {
      {{package, a, "0:b"}, kExitUsage, "bad entry \"0:b\": expected GROUP:NAME=PATH"},
      {{package, "1:" + std::string(65536, 'n') + "=" + Path("a")}, kExitUsage, "65536 bytes is too long"},
      {tooMany, kExitUsage, "too many entries: 65536"},
      {{package, a, "1:b=" + Path("missing")},
       kExitFailed,
       "cannot read source file " + Path("missing") + ": no such file"},
      {{package, a, "1:b=" + Path("folder")}, kExitFailed, "cannot read source file"},
      {{package, "--host", Path("missing-host"), a}, kExitFailed, "cannot read host file"},
      {{package, "--host", package, a}, kExitUsage, "the output must not be the host file itself"},
#ifdef _WIN32  // the same file, found by the sharing rules when the output is created
      {{package, "--host", Path("./p.pak"), a}, kExitFailed, "cannot create " + package},
#else
      {{package, "--host", Path("./p.pak"), a}, kExitUsage, "the output must not be the host file itself"},
#endif
      {{Path("no/such/folder/p.pak"), a}, kExitFailed, "cannot open " + Path("no/such/folder/p.pak")},
  };
  for (const Case& c : cases) {
    ExpectOneError(Run({"pack"}, c.arguments), c.code, c.errPart);
    EXPECT_EQ(test::ReadFileBytes(package), before) << c.errPart;
  }
  EXPECT_FALSE(fs::exists(Path("no/such")));
}

// At the large-entry threshold: not read by verify, and streamed to disk by extract (a
// fault here loads 70 MiB whole or corrupts it).
TEST_F(PackTest, LargeEntryIsSkippedByVerifyAndStreamedBack) {
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

#ifndef _WIN32
// Outside Windows the command line and file names are UTF-8, entry names the code page.
TEST_F(PackTest, NonAsciiNamesAreStoredInTheCodePage) {
  // Text that is no UTF-8 is taken as code-page bytes already.
  const std::string package = Pack(
      "p.pak", {"1:caf\xC3\xA9\\\xE2\x82\xAC.txt=" + Source("a", ToBytes("x")), "1:raw\xE9=" + Path("a")});
  const Bytes stored = test::ReadFileBytes(package);
  const std::string bytes(stored.begin(), stored.end());
  EXPECT_NE(bytes.find("caf\xE9\\\x80.txt"), std::string::npos);
  EXPECT_NE(bytes.find("raw\xE9"), std::string::npos);
  EXPECT_NE(Run({"list", package}).out.find("  caf\xC3\xA9\\\xE2\x82\xAC.txt\n"), std::string::npos);
  EXPECT_EQ(Run({"extract", package, Path("out")}).code, kExitOk);
  EXPECT_EQ(test::ReadFileBytes(Path("out/1/caf\xC3\xA9/\xE2\x82\xAC.txt")), ToBytes("x"));

  // A character the code page lacks cannot be stored.
  ExpectOneError(Run({"pack", Path("q.pak"), "1:\xE6\x97\xA5=" + Path("a")}), kExitUsage,
                 "code page cannot hold");
}
#endif

}  // namespace
}  // namespace setup::setupc
