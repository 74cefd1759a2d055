// Damaged packages: verify and extract name a damaged entry by its index (exit 1), and
// a file without a readable package exits with 2.
#include <filesystem>

#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ToBytes;

// Built by hand from the format, with a host in front.
test::RawPackage Sample() {
  return test::BuildRawPackage({{"SetupInfo", 0, test::CompressibleBytes(400, 1), true},
                                {"raw.txt", 1, ToBytes("raw content here"), false},
                                {"data\\big.bin", 1, test::CompressibleBytes(3000, 2), true},
                                {"empty", 1, {}, true}},
                               ToBytes("HOST"));
}

using DamageTest = SetupcTest;

TEST_F(DamageTest, VerifyAndExtractNameTheDamagedEntryByIndex) {
  struct Case {
    const char* what;
    size_t index;  // the entry that must fail, alone
    void (*damage)(test::RawPackage&);
    const char* errStart;  // expected on stderr, or nullptr for nothing
  };
  const Case cases[] = {
      {"flipped byte in a compressed entry", 2,
       [](test::RawPackage& p) { p.bytes[p.records[2].offset + 100] ^= 0x01; }, nullptr},
      {"corrupt stream under a matching CRC", 0,
       [](test::RawPackage& p) {
         p.bytes[p.records[0].offset + 2] = 0x07;  // a final block of the reserved type 3
         test::RestampCrc(p, 0);
       },
       "setupc: entry 0 (SetupInfo): "},
      {"size one more than the stream gives (a message box in the setup)", 2,
       [](test::RawPackage& p) { test::SetU32At(p.bytes, test::RecordCrcPos(p, 2) + 12, 3001); },
       "setupc: [Error] data\\big.bin: Error: DecompSize - 3000 OrigSize - 3001"},
  };
  for (const Case& c : cases) {
    test::RawPackage raw = Sample();
    c.damage(raw);
    const std::string package = Source("p.pak", raw.bytes);
    const RunResult r = Run({"verify", package});
    EXPECT_EQ(r.code, kExitFailed) << c.what;
    EXPECT_EQ(r.out, "FAILED " + std::to_string(c.index) + " " + raw.records[c.index].name +
                         "\n1 of 4 entries failed verification\n")
        << c.what;
    if (c.errStart == nullptr) {
      EXPECT_EQ(r.err, "") << c.what;
    } else {
      EXPECT_EQ(r.err.find(c.errStart), 0u) << r.err;
      EXPECT_EQ(LineCount(r.err), 1u) << r.err;
    }

    // Extraction stops at the damaged entry and leaves no file for it.
    fs::remove_all(Path("out"));
    const RunResult x = Run({"extract", package, Path("out")});
    EXPECT_EQ(x.code, kExitFailed) << c.what;
    EXPECT_NE(x.err.find("entry " + std::to_string(c.index) + " (" + raw.records[c.index].name + ")"),
              std::string::npos)
        << c.what << ": " << x.err;
    EXPECT_FALSE(fs::exists(
        Path("out/" + std::to_string(raw.records[c.index].group) + "/" + Slashes(raw.records[c.index].name))))
        << c.what;
  }
}

TEST_F(DamageTest, FilesWithoutAReadablePackageExitWithTwo) {
  const Bytes full = Sample().bytes;
  Bytes tableOffsetPastEnd = full;
  test::SetU32At(tableOffsetPastEnd, full.size() - 4, static_cast<uint32_t>(full.size()));
  fs::create_directories(Path("folder"));
  const std::pair<std::string, std::string> cases[] = {
      {Source("truncated", Bytes(full.begin(), full.end() - 1)), ": no package found"},
      {Source("damaged", tableOffsetPastEnd), ": damaged package: "},
      {Path("missing"), "cannot read " + Path("missing") + ": no such file"},
      {Path("folder"), "cannot read " + Path("folder")},
  };
  for (const auto& [package, errPart] : cases) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"verify", package}, {"list", package}, {"extract", package, Path("out")}, {"info", package}}) {
      SCOPED_TRACE(arguments[0]);
      ExpectOneError(Run(arguments), kExitUsage, errPart);
    }
  }
  EXPECT_FALSE(fs::exists(Path("out")));
}

TEST_F(DamageTest, ListShowsTheRecordsAsTheyAre) {
  // Raw "abc" entries make every field known in advance: CRC-32("abc") = 352441C2.
  const std::string package =
      Source("p.pak", test::BuildRawPackage({{"quote\"back\\slash", 3, ToBytes("abc"), false},
                                             {std::string("tab\tcontrol\x01"), 0, {}, false},
                                             {"caf\xE9 \x80", 65535, ToBytes("abc"), false}},
                                            ToBytes("12345"))
                          .bytes);
#ifdef _WIN32
  const std::string cafe = "caf\xE9 \x80";  // the console takes the code page
#else
  const std::string cafe = "caf\xC3\xA9 \xE2\x82\xAC";
#endif
  RunResult r = Run({"list", package});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "Index  Group        Size      Stored       CRC      Offset  Name\n"
            "    0      3           3           0  352441C2           5  quote\"back\\slash\n"
            "    1      0           0           0  00000000           0  tab\tcontrol\x01\n"
            "    2  65535           3           0  352441C2           8  " +
                cafe + "\n");
  r = Run({"list", "--json", package});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "{\n  \"magic\": \"KZPF\",\n  \"version\": 1,\n  \"count\": 3,\n  \"data_start\": 5,\n"
            "  \"table_offset\": 11,\n  \"entries\": [\n"
            "    {\"index\": 0, \"name\": \"quote\\\"back\\\\slash\", \"group\": 3, \"size\": 3, "
            "\"stored_size\": 0, \"crc\": 891568578, \"offset\": 5},\n"
            "    {\"index\": 1, \"name\": \"tab\\tcontrol\\u0001\", \"group\": 0, \"size\": 0, "
            "\"stored_size\": 0, \"crc\": 0, \"offset\": 0},\n"
            "    {\"index\": 2, \"name\": \"caf\xC3\xA9 \xE2\x82\xAC\", \"group\": 65535, \"size\": 3, "
            "\"stored_size\": 0, \"crc\": 891568578, \"offset\": 8}\n"
            "  ]\n"
            "}\n");
}

TEST_F(DamageTest, ExtractFailsWhenATargetCannotBeWritten) {
  const std::string package =
      Source("p.pak", test::BuildRawPackage({{"a\\b.txt", 1, ToBytes("x"), false}}).bytes);
  fs::create_directories(Path("out/1"));
  Source("out/1/a", ToBytes("in the way"));  // a file where the folder "a" has to be
  ExpectOneError(Run({"extract", package, Path("out")}), kExitFailed, "cannot create folder");
  EXPECT_EQ(test::ReadFileBytes(Path("out/1/a")), ToBytes("in the way"));
}

}  // namespace
}  // namespace setup::setupc
