// Damaged and hostile packages: list, verify and extract never crash, tell a damaged
// entry (exit 1, naming its index) from a file without a readable package (exit 2),
// and never write outside the target folder.
#include <filesystem>

#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ToBytes;

void PutU16At(Bytes& b, size_t pos, uint16_t v) {
  b[pos] = static_cast<uint8_t>(v);
  b[pos + 1] = static_cast<uint8_t>(v >> 8);
}
void PutU32At(Bytes& b, size_t pos, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) b[pos + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Built by hand from the format, with a host in front.
test::RawPackage Sample() {
  return test::BuildRawPackage({{"SetupInfo", 0, test::CompressibleBytes(400, 1), true},
                                {"raw.txt", 1, ToBytes("raw content here"), false},
                                {"data\\big.bin", 1, test::CompressibleBytes(3000, 2), true},
                                {"empty", 1, {}, true}},
                               ToBytes("HOST"));
}

// Position of record `index` (its name length) in the package bytes.
size_t RecordPos(const test::RawPackage& raw, size_t index) {
  size_t pos = raw.tableOffset;
  for (size_t i = 0; i < index; ++i) pos += 20 + raw.records[i].name.size();
  return pos;
}
// Position of its CRC field; offset, stored size and size follow at 4, 8 and 12.
size_t CrcFieldPos(const test::RawPackage& raw, size_t index) {
  return RecordPos(raw, index) + 2 + raw.records[index].name.size();
}

class DamageTest : public SetupcTest {
 protected:
  std::string Write(const Bytes& bytes) {
    test::WriteFileBytes(Path("p.pak"), bytes);
    return Path("p.pak");
  }
};

TEST_F(DamageTest, IntactSampleVerifies) {
  const RunResult r = Run({"verify", Write(Sample().bytes)});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out, "4 entries verified\n");
}

TEST_F(DamageTest, ADamagedEntryFailsVerificationByIndex) {
  struct Case {
    const char* what;
    size_t index;  // the entry that must fail, alone
    void (*damage)(test::RawPackage&);
    const char* errPart;  // expected on stderr, or nullptr for nothing
  };
  const Case cases[] = {
      {"flipped byte in a compressed entry", 2,
       [](test::RawPackage& p) { p.bytes[p.records[2].offset + 100] ^= 0x01; }, nullptr},
      {"flipped byte in a raw entry", 1,
       [](test::RawPackage& p) { p.bytes[p.records[1].offset + 3] ^= 0x80; }, nullptr},
      {"corrupt stream under a matching CRC", 0,
       [](test::RawPackage& p) {
         const uint32_t offset = p.records[0].offset;
         p.bytes[offset + 2] = 0x07;  // a final block of the reserved type 3
         PutU32At(p.bytes, CrcFieldPos(p, 0), CrcOf(p.bytes.data() + offset, p.records[0].storedSize));
       },
       "setupc: entry 0 (SetupInfo): "},
      {"size one more than the stream gives", 2,
       [](test::RawPackage& p) { PutU32At(p.bytes, CrcFieldPos(p, 2) + 12, 3001); },
       "setupc: [Error] data\\big.bin: Error: DecompSize - 3000 OrigSize - 3001"},
      {"size one less than the stream gives", 2,
       [](test::RawPackage& p) { PutU32At(p.bytes, CrcFieldPos(p, 2) + 12, 2999); },
       "setupc: [Error] data\\big.bin: Error: DecompSize - 3000 OrigSize - 2999"},
      {"data offset inside the table", 1,
       [](test::RawPackage& p) { PutU32At(p.bytes, CrcFieldPos(p, 1) + 4, p.tableOffset); }, nullptr},
      {"data offset inside the host", 1,
       [](test::RawPackage& p) { PutU32At(p.bytes, CrcFieldPos(p, 1) + 4, 0); }, nullptr},
      {"stored size past the data region", 2,
       [](test::RawPackage& p) { PutU32At(p.bytes, CrcFieldPos(p, 2) + 8, 0xFFFFFFF0u); }, nullptr},
  };
  const std::vector<std::string> names = {"SetupInfo", "raw.txt", "data\\big.bin", "empty"};
  for (const Case& c : cases) {
    test::RawPackage raw = Sample();
    c.damage(raw);
    const std::string package = Write(raw.bytes);
    const RunResult r = Run({"verify", package});
    EXPECT_EQ(r.code, kExitFailed) << c.what;
    EXPECT_EQ(r.out, "FAILED " + std::to_string(c.index) + " " + names[c.index] +
                         "\n1 of 4 entries failed verification\n")
        << c.what;
    if (c.errPart == nullptr) {
      EXPECT_TRUE(r.err.empty()) << c.what << ": " << r.err;
    } else {
      EXPECT_EQ(LineCount(r.err), 1u) << c.what << ": " << r.err;
      EXPECT_EQ(r.err.find(c.errPart), 0u) << c.what << ": " << r.err;
    }

    // Extraction stops at the damaged entry and leaves no file for it.
    fs::remove_all(Path("out"));
    const RunResult x = Run({"extract", package, Path("out")});
    EXPECT_EQ(x.code, kExitFailed) << c.what;
    EXPECT_NE(x.err.find("entry " + std::to_string(c.index) + " (" + names[c.index] + ")"), std::string::npos)
        << c.what << ": " << x.err;
    std::string target = Path("out/" + std::to_string(raw.records[c.index].group) + "/" + names[c.index]);
    for (char& ch : target) ch = ch == '\\' ? '/' : ch;
    EXPECT_FALSE(fs::exists(target)) << c.what;
  }
}

TEST_F(DamageTest, FilesWithoutAReadablePackageExitWithTwo) {
  const Bytes full = Sample().bytes;
  struct Case {
    const char* what;
    Bytes bytes;
    const char* errPart;
  };
  Bytes countTooLarge = full;
  PutU16At(countTooLarge, full.size() - 10, 5);
  Bytes tableOffsetPastEnd = full;
  PutU32At(tableOffsetPastEnd, full.size() - 4, static_cast<uint32_t>(full.size()));
  Bytes dataStartAfterTable = full;
  PutU32At(dataStartAfterTable, full.size() - 8, 0xFFFFFFFFu);
  Bytes recordCutShort = full;  // the last record's name now runs past the table
  PutU16At(recordCutShort, RecordPos(Sample(), 3), 0xFFFF);
  const Case cases[] = {
      {"truncated by one byte", Bytes(full.begin(), full.end() - 1), "no package found"},
      {"truncated inside the data", Bytes(full.begin(), full.begin() + 300), "no package found"},
      {"shorter than a trailer", Bytes(full.end() - 15, full.end()), "no package found"},
      {"empty file", Bytes(), "no package found"},
      {"garbage", test::RandomBytes(5000, 11), "no package found"},
      {"count larger than the table", countTooLarge, "damaged package: "},
      {"table offset past the trailer", tableOffsetPastEnd, "damaged package: "},
      {"data start after the table", dataStartAfterTable, "damaged package: "},
      {"a name running past the table", recordCutShort, "damaged package: "},
  };
  for (const Case& c : cases) {
    const std::string package = Write(c.bytes);
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"verify", package},
                                               {"list", package},
                                               {"list", "--json", package},
                                               {"extract", package, Path("out")}}) {
      const RunResult r = Run(arguments);
      EXPECT_EQ(r.code, kExitUsage) << c.what << " " << arguments[0];
      EXPECT_TRUE(r.out.empty()) << c.what;
      EXPECT_EQ(LineCount(r.err), 1u) << c.what << ": " << r.err;
      EXPECT_NE(r.err.find(c.errPart), std::string::npos) << c.what << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(Path("out"))) << c.what;
  }

  fs::create_directories(Path("folder"));
  for (const std::string& path : {Path("missing"), Path("folder")}) {
    const RunResult r = Run({"verify", path});
    EXPECT_EQ(r.code, kExitUsage) << path;
    EXPECT_EQ(r.err.find("setupc: cannot read " + path), 0u) << r.err;
  }
}

TEST_F(DamageTest, ListJsonShowsTheRecordsAsTheyAre) {
  // Raw "abc" entries make every field known in advance: CRC-32("abc") = 352441C2.
  const test::RawPackage raw = test::BuildRawPackage({{"quote\"back\\slash", 3, ToBytes("abc"), false},
                                                      {std::string("tab\tcontrol\x01"), 0, {}, false},
                                                      {"caf\xE9 \x80", 65535, ToBytes("abc"), false}},
                                                     ToBytes("12345"));
  const RunResult r = Run({"list", "--json", Write(raw.bytes)});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "{\n"
            "  \"magic\": \"KZPF\",\n"
            "  \"version\": 1,\n"
            "  \"count\": 3,\n"
            "  \"data_start\": 5,\n"
            "  \"table_offset\": 11,\n"
            "  \"entries\": [\n"
            "    {\"index\": 0, \"name\": \"quote\\\"back\\\\slash\", \"group\": 3, \"size\": 3, "
            "\"stored_size\": 0, \"crc\": 891568578, \"offset\": 5},\n"
            "    {\"index\": 1, \"name\": \"tab\\tcontrol\\u0001\", \"group\": 0, \"size\": 0, "
            "\"stored_size\": 0, \"crc\": 0, \"offset\": 0},\n"
            "    {\"index\": 2, \"name\": \"caf\xC3\xA9 \xE2\x82\xAC\", \"group\": 65535, \"size\": 3, "
            "\"stored_size\": 0, \"crc\": 891568578, \"offset\": 8}\n"
            "  ]\n"
            "}\n");
}

TEST_F(DamageTest, ExtractRefusesNamesThatLeaveTheFolderBeforeWritingAnything) {
  for (const std::string bad : {"..\\x", "C:\\x", "a\\..\\..\\x", "a:b", "\\x", "a\\\\b", ".. \\x", "nul"}) {
    const test::RawPackage raw = test::BuildRawPackage({{"good.txt", 1, ToBytes("fine"), true},
                                                        {bad, 1, ToBytes("evil"), false},
                                                        {"later.txt", 1, ToBytes("x"), true}});
    const std::string package = Write(raw.bytes);
    fs::remove_all(Path("out"));
    fs::create_directories(Path("out"));
    const RunResult r = Run({"extract", package, Path("out")});
    EXPECT_EQ(r.code, kExitFailed) << bad;
    EXPECT_EQ(LineCount(r.err), 1u) << r.err;
    EXPECT_EQ(r.err.find("setupc: entry 1 (" + bad + ") is refused: "), 0u) << r.err;
    EXPECT_TRUE(fs::is_empty(Path("out"))) << bad;
    EXPECT_FALSE(fs::exists(Path("x"))) << bad;
    // The other commands still show and check it: only writing it is refused.
    EXPECT_EQ(Run({"verify", package}).code, kExitOk) << bad;
    // With --group selecting another group, the name is never looked at.
    EXPECT_EQ(Run({"extract", package, Path("out"), "--group", "0"}).code, kExitOk) << bad;
  }
}

TEST_F(DamageTest, ExtractFailsWhenATargetCannotBeWritten) {
  const test::RawPackage raw = test::BuildRawPackage({{"a\\b.txt", 1, ToBytes("x"), false}});
  const std::string package = Write(raw.bytes);
  // A file where the folder "a" has to be.
  fs::create_directories(Path("out/1"));
  test::WriteFileBytes(Path("out/1/a"), ToBytes("in the way"));
  const RunResult r = Run({"extract", package, Path("out")});
  EXPECT_EQ(r.code, kExitFailed);
  EXPECT_NE(r.err.find("cannot create folder"), std::string::npos) << r.err;
  EXPECT_EQ(test::ReadFileBytes(Path("out/1/a")), ToBytes("in the way"));
}

}  // namespace
}  // namespace setup::setupc
