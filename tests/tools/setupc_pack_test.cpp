// pack, then list, verify and extract: the bytes on disk follow the format (read back
// here without the package code), and extraction gives back every source unchanged.
#include <filesystem>

#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ToBytes;

struct SourceFile {
  std::string entry;  // GROUP:NAME
  std::string file;
  Bytes content;
};

class PackTest : public SetupcTest {
 protected:
  std::vector<std::string> Entries(const std::vector<SourceFile>& sources) {
    std::vector<std::string> entries;
    for (const SourceFile& s : sources) entries.push_back(s.entry + "=" + Source(s.file, s.content));
    return entries;
  }

  // Checks the layout rules of a package whose entries were packed from sources.
  void ExpectWellFormed(const Bytes& bytes, const std::vector<SourceFile>& sources, uint32_t hostSize) {
    const FilePackage pkg = ParsePackageBytes(bytes);
    EXPECT_EQ(pkg.magic, "KZPF");
    EXPECT_EQ(pkg.version, 1);
    ASSERT_EQ(pkg.count, sources.size());
    EXPECT_EQ(pkg.dataStart, hostSize);
    EXPECT_TRUE(pkg.tableFitsExactly);
    uint32_t next = hostSize;  // stored bytes lie back to back in table order
    for (size_t i = 0; i < sources.size(); ++i) {
      const FileRecord& r = pkg.records[i];
      const SourceFile& s = sources[i];
      EXPECT_EQ(std::to_string(r.group) + ":" + r.name, s.entry);
      EXPECT_EQ(r.size, s.content.size()) << r.name;
      if (r.size == 0) {
        EXPECT_EQ(r.offset, 0u) << r.name;
        EXPECT_EQ(r.storedSize, 0u) << r.name;
        EXPECT_EQ(r.crc, 0u) << r.name;
        continue;
      }
      EXPECT_EQ(r.offset, next) << r.name;
      const uint32_t stored = r.storedSize != 0 ? r.storedSize : r.size;
      ASSERT_LE(uint64_t{r.offset} + stored, pkg.tableOffset) << r.name;
      EXPECT_EQ(r.crc, CrcOf(bytes.data() + r.offset, stored)) << r.name;
      if (r.storedSize != 0) {
        EXPECT_EQ(bytes[r.offset], 0x78) << r.name;  // best compression
        EXPECT_EQ(bytes[r.offset + 1], 0xDA) << r.name;
        EXPECT_LE(r.storedSize, r.size) << r.name;
      }
      EXPECT_EQ(RecordContent(bytes, r), s.content) << r.name;
      next = r.offset + stored;
    }
    EXPECT_EQ(pkg.tableOffset, next);
  }

  void ExpectExtracted(const std::string& folder, const std::vector<SourceFile>& sources) {
    for (const SourceFile& s : sources) {
      const size_t colon = s.entry.find(':');
      std::string relative = s.entry.substr(0, colon) + "/" + s.entry.substr(colon + 1);
      for (char& c : relative) c = c == '\\' ? '/' : c;
      const std::string path = folder + "/" + relative;
      ASSERT_TRUE(fs::is_regular_file(path)) << path;
      EXPECT_EQ(test::ReadFileBytes(path), s.content) << path;
    }
  }
};

const std::vector<SourceFile>& MixedSources() {
  static const std::vector<SourceFile> sources = {
      {"0:SetupInfo", "setupinfo", test::CompressibleBytes(3000, 1)},
      {"1:data\\sub\\packed.bin", "packed", test::CompressibleBytes(20000, 2)},
      {"1:empty.txt", "empty", {}},
      {"1:abc.txt", "abc", ToBytes("abc")},                 // a stream would be longer: raw
      {"2:random.bin", "random", test::RandomBytes(5000)},  // incompressible: raw
      {"2:data\\empty again", "empty2", {}},
      {"1:SetupInfo", "setupinfo1", ToBytes("same name, other group")},
  };
  return sources;
}

TEST_F(PackTest, StandAloneRoundTrip) {
  const auto& sources = MixedSources();
  const std::string package = Pack("p.pak", Entries(sources));
  const Bytes bytes = test::ReadFileBytes(package);
  ExpectWellFormed(bytes, sources, 0);
  const FilePackage pkg = ParsePackageBytes(bytes);
  EXPECT_EQ(pkg.records[3].storedSize, 0u);    // "abc" stored raw
  EXPECT_EQ(pkg.records[3].crc, 0x352441C2u);  // the CRC-32 of "abc"
  EXPECT_EQ(pkg.records[4].storedSize, 0u);
  EXPECT_NE(pkg.records[1].storedSize, 0u);

  RunResult r = Run({"verify", package});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out, "7 entries verified\n");
  EXPECT_TRUE(r.err.empty());

  r = Run({"extract", package, Path("out")});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out, "7 entries extracted to " + Path("out") + "\n");
  ExpectExtracted(Path("out"), sources);
}

TEST_F(PackTest, AppendedToAHostFile) {
  const Bytes host = test::RandomBytes(1000, 3);
  const std::string hostPath = Source("host.exe", host);
  const auto& sources = MixedSources();
  const std::string package = Pack("setup.exe", Entries(sources), hostPath);
  const Bytes bytes = test::ReadFileBytes(package);

  ASSERT_GT(bytes.size(), host.size());
  EXPECT_TRUE(std::equal(host.begin(), host.end(), bytes.begin())) << "the host image must stay untouched";
  EXPECT_EQ(test::ReadFileBytes(hostPath), host);
  ExpectWellFormed(bytes, sources, 1000);
  EXPECT_EQ(ParsePackageBytes(bytes).records[0].offset, 1000u);

  RunResult r = Run({"list", "--json", package});
  EXPECT_EQ(r.code, kExitOk);
  EXPECT_NE(r.out.find("\"data_start\": 1000,"), std::string::npos) << r.out;
  EXPECT_EQ(Run({"verify", package}).code, kExitOk);
  r = Run({"extract", package, Path("out")});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  ExpectExtracted(Path("out"), sources);
}

TEST_F(PackTest, PackageWithoutEntries) {
  for (const std::string& host : {std::string(), Source("host", ToBytes("HOST"))}) {
    const std::string package = Pack("empty.pak", {}, host);
    const Bytes bytes = test::ReadFileBytes(package);
    ASSERT_EQ(bytes.size(), host.empty() ? 16u : 20u);
    const FilePackage pkg = ParsePackageBytes(bytes);
    EXPECT_EQ(pkg.count, 0);
    EXPECT_EQ(pkg.tableOffset, pkg.dataStart);
    RunResult r = Run({"list", "--json", package});
    EXPECT_NE(r.out.find("\"entries\": []\n}"), std::string::npos) << r.out;
    r = Run({"verify", package});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_EQ(r.out, "0 entries verified\n");
  }
}

TEST_F(PackTest, ListShowsEveryRecordInAlignedColumns) {
  const auto& sources = MixedSources();
  const std::string package = Pack("p.pak", Entries(sources));
  const FilePackage pkg = ParsePackageBytes(test::ReadFileBytes(package));
  const RunResult r = Run({"list", package});
  ASSERT_EQ(r.code, kExitOk) << r.err;

  std::istringstream lines(r.out);
  std::string header;
  std::getline(lines, header);
  const size_t nameColumn = header.find("Name");
  ASSERT_NE(nameColumn, std::string::npos);
  for (size_t i = 0; i < pkg.records.size(); ++i) {
    std::string line;
    ASSERT_TRUE(std::getline(lines, line)) << i;
    EXPECT_EQ(line.size(), nameColumn + pkg.records[i].name.size()) << line;
    EXPECT_EQ(line.substr(nameColumn), pkg.records[i].name);
    std::istringstream fields(line.substr(0, nameColumn));
    size_t index;
    uint32_t group, size, stored, offset;
    std::string crc;
    fields >> index >> group >> size >> stored >> crc >> offset;
    EXPECT_EQ(index, i);
    EXPECT_EQ(group, pkg.records[i].group);
    EXPECT_EQ(size, pkg.records[i].size);
    EXPECT_EQ(stored, pkg.records[i].storedSize);
    EXPECT_EQ(crc.size(), 8u);
    EXPECT_EQ(std::stoul(crc, nullptr, 16), pkg.records[i].crc);
    EXPECT_EQ(offset, pkg.records[i].offset);
  }
  std::string extra;
  EXPECT_FALSE(std::getline(lines, extra)) << extra;
}

TEST_F(PackTest, ExtractOneGroupOnly) {
  const std::string package = Pack("p.pak", Entries(MixedSources()));
  const RunResult r = Run({"extract", package, Path("out"), "--group", "2"});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out, "2 entries extracted to " + Path("out") + "\n");
  EXPECT_FALSE(fs::exists(Path("out/0")));
  EXPECT_FALSE(fs::exists(Path("out/1")));
  EXPECT_EQ(test::ReadFileBytes(Path("out/2/random.bin")), test::RandomBytes(5000));
  EXPECT_TRUE(fs::is_regular_file(Path("out/2/data/empty again")));
  EXPECT_EQ(fs::file_size(Path("out/2/data/empty again")), 0u);
}

TEST_F(PackTest, BadArgumentsLeaveNoOutputBehind) {
  const std::string good = "0:a=" + Source("a", ToBytes("content"));
  const std::string folderSource = Path("folder");
  fs::create_directories(folderSource);
  struct Case {
    std::vector<std::string> entries;
    std::string host;
    int code;
    std::string errPart;
  };
  const Case cases[] = {
      {{good, "0:b"}, "", kExitUsage, "bad entry \"0:b\": expected GROUP:NAME=PATH"},
      {{good, "70000:b=x"}, "", kExitUsage, "group must be a decimal number"},
      {{good, "1:=x"}, "", kExitUsage, "name is empty"},
      {{good, "1:" + std::string(65536, 'n') + "=" + Path("a")}, "", kExitUsage, "65536 bytes is too long"},
      {{good, "1:b=" + Path("missing")},
       "",
       kExitFailed,
       "cannot read source file " + Path("missing") + ": no such file"},
      {{good, "1:b=" + folderSource}, "", kExitFailed, "cannot read source file"},
      {{good}, Path("missing-host"), kExitFailed, "cannot read host file"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"pack", Path("out.pak")};
    if (!c.host.empty()) arguments.insert(arguments.end(), {"--host", c.host});
    arguments.insert(arguments.end(), c.entries.begin(), c.entries.end());
    const RunResult r = Run(arguments);
    EXPECT_EQ(r.code, c.code) << c.errPart;
    EXPECT_EQ(LineCount(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find(c.errPart), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("out.pak"))) << c.errPart;
  }
}

TEST_F(PackTest, CheckedBeforeTheOutputIsTouched) {
  // A mistake in the arguments must not destroy the previous package.
  const std::string package = Pack("p.pak", {"0:a=" + Source("a", ToBytes("first"))});
  const Bytes before = test::ReadFileBytes(package);
  EXPECT_EQ(Run({"pack", package, "0:a=" + Path("a"), "0:b=" + Path("missing")}).code, kExitFailed);
  EXPECT_EQ(test::ReadFileBytes(package), before);

  // The output may not replace its own host, however it is spelt.
  for (const std::string& host : {package, Path("./p.pak")}) {
    const RunResult r = Run({"pack", package, "--host", host, "0:a=" + Path("a")});
    EXPECT_NE(r.code, kExitOk) << host;
    EXPECT_EQ(test::ReadFileBytes(package), before) << host;
  }

  // An output that cannot be created.
  const RunResult noFolder = Run({"pack", Path("no/such/folder/p.pak"), "0:a=" + Path("a")});
  EXPECT_EQ(noFolder.code, kExitFailed);
  EXPECT_NE(noFolder.err.find("cannot open " + Path("no/such/folder/p.pak")), std::string::npos)
      << noFolder.err;
}

TEST_F(PackTest, TooManyEntriesAreRefusedBeforeAnyIsRead) {
  std::vector<std::string> arguments = {"pack", Path("out.pak")};
  arguments.resize(2 + 65536, "1:x=" + Path("never-read"));
  const RunResult r = Run(arguments);
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("too many entries: 65536"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(Path("out.pak")));
}

#ifndef _WIN32
// Outside Windows the command line and file names are UTF-8, entry names the code page.
TEST_F(PackTest, NonAsciiNamesAreStoredInTheCodePage) {
  const std::string package = Pack("p.pak", {"1:caf\xC3\xA9\\\xE2\x82\xAC.txt=" + Source("a", ToBytes("x"))});
  EXPECT_EQ(ParsePackageBytes(test::ReadFileBytes(package)).records[0].name, "caf\xE9\\\x80.txt");
  EXPECT_NE(Run({"list", "--json", package}).out.find("\"name\": \"caf\xC3\xA9\\\\\xE2\x82\xAC.txt\""),
            std::string::npos);
  EXPECT_EQ(Run({"extract", package, Path("out")}).code, kExitOk);
  EXPECT_EQ(test::ReadFileBytes(Path("out/1/caf\xC3\xA9/\xE2\x82\xAC.txt")), ToBytes("x"));

  // A character the code page lacks cannot be stored.
  const RunResult r = Run({"pack", Path("q.pak"), "1:\xE6\x97\xA5=" + Path("a")});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("code page cannot hold"), std::string::npos) << r.err;
}
#endif

}  // namespace
}  // namespace setup::setupc
