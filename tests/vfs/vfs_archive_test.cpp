// The archive classes against the independent reader: the write path's edge cases, no
// room left, damaged archives refused and left untouched, the index's hash keys.
#include <gtest/gtest.h>

#include <sstream>

#include "setupc/commands.h"
#include "vfs/vfs_file.h"
#include "vfs/vfs_reader.h"

namespace setup::test {
namespace {

class VfsArchiveTest : public ::testing::Test {
 protected:
  std::string Make(uint32_t blockSize = 4096, uint32_t blocks = 64, uint32_t roots = 8) {
    WriteFileBytes(path_, EmptyArchive(blockSize, blocks, roots));
    return path_;
  }
  // Opens, puts each file, flushes; returns the validated result.
  ReadArchive Put(const std::vector<std::pair<std::string, Bytes>>& files) {
    TVFSFile archive;
    EXPECT_TRUE(archive.Open(path_, true)) << archive.Damage();
    for (const auto& [name, content] : files) {
      archive.Tree().PutFile(name, content.empty() ? nullptr : content.data(), static_cast<uint32_t>(content.size()));
    }
    archive.Flush(false);
    archive.Close();
    ReadArchive r = ReadAndValidate(path_);
    EXPECT_EQ(r.problems, std::vector<std::string>{});
    EXPECT_EQ(Check(), 0) << report_.str();
    return r;
  }
  // setupc vfs check's exit code.
  int Check() {
    report_.str("");
    return setupc::VfsCheck(path_, report_, report_);
  }
  TempDir dir_;
  std::string path_ = dir_.Path("game.vfs");
  std::ostringstream report_;
};

TEST_F(VfsArchiveTest, WritePathEdgeCases) {
  Make();
  const std::string name70(70, 'n'), folder70 = "data\\" + std::string(70, 'd');
  ReadArchive r = Put({{"big.txt", CompressibleBytes(120000)},  // three chunks
                       {"noise.bin", RandomBytes(5000)},        // chunks would be longer: plain
                       {"ten.bin", RandomBytes(10000)},         // three 4096-byte blocks
                       {"data\\keep.txt", ToBytes("k")},
                       {name70 + ".txt", ToBytes("long")},
                       {folder70 + "\\a.txt", ToBytes("a")},
                       {"x\\y\\b.txt", ToBytes("deep")},
                       {"b.txt", ToBytes("top")},
                       {"empty.txt", {}}});
  EXPECT_EQ(r.nodes["big.txt"].chunks, 3u);
  EXPECT_EQ(r.nodes["big.txt"].flags, 9u);
  EXPECT_EQ(r.nodes["big.txt"].content, CompressibleBytes(120000));
  EXPECT_EQ(r.nodes["noise.bin"].flags, 1u);
  EXPECT_EQ(r.nodes["noise.bin"].unpacked, 0u);
  const ReadNode ten = r.nodes["ten.bin"];
  ASSERT_EQ(ten.chain.size(), 3u);
  EXPECT_EQ(ten.content, RandomBytes(10000));
  // The 70-character name is cut to 65, which fills the field without a terminator.
  EXPECT_EQ(r.nodes.count(name70.substr(0, 65)), 1u);
  EXPECT_EQ(r.nodes["x\\y"].flags, 2u);
  EXPECT_EQ(r.nodes["x\\y\\b.txt"].content, ToBytes("deep"));
  EXPECT_EQ(r.nodes["empty.txt"].stored, 0u);
  EXPECT_EQ(r.nodes["empty.txt"].chain.size(), 1u);
  // sdbm worked out by hand (Python) for the two keys; the reader checked the index.
  EXPECT_EQ(PathHash(HashKeyOf("x\\y\\b.txt")), 0x712A8BCAu);
  EXPECT_EQ(PathHash(HashKeyOf("b.txt")), 0x964D0524u);

  // Replacing a file frees its chain first, so the new content takes the same blocks;
  // data\sub\a.txt below the existing data creates data\sub inside it. Long names are
  // found by their cut form: the file is replaced, the folder takes a second file.
  const uint32_t usedBefore = r.usedBlocks;
  r = Put({{"TEN.BIN", RandomBytes(9000, 7)},
           {"data\\sub\\a.txt", ToBytes("a")},
           {name70 + ".txt", ToBytes("again")},
           {folder70 + "\\b.txt", ToBytes("b")}});
  EXPECT_EQ(r.nodes["TEN.BIN"].chain, ten.chain);  // stored under the name as given
  EXPECT_EQ(r.nodes["TEN.BIN"].content, RandomBytes(9000, 7));
  EXPECT_EQ(r.nodes["data\\sub\\a.txt"].content, ToBytes("a"));
  EXPECT_EQ(r.nodes["data"].stored, 3u * 88);  // keep.txt, the long folder, sub
  EXPECT_EQ(r.nodes[name70.substr(0, 65)].content, ToBytes("again"));
  EXPECT_EQ(r.nodes[folder70.substr(0, 5 + 65)].stored, 2u * 88);
  EXPECT_EQ(r.usedBlocks, usedBefore + 3);  // data\sub, a.txt and b.txt
}

TEST_F(VfsArchiveTest, NoFreeBlockOrRootSlotStopsBeforeAnythingIsWritten) {
  struct Case {
    uint32_t blocks, roots;
    std::string name;
    size_t size;
    const char* message;
  } cases[] = {{3, 8, "a\\b.bin", 9000, "No free block is left for \"a\\b.bin\"."},
               {8, 1, "second.txt", 10, "No free root slot is left for \"second.txt\"."}};
  for (const Case& c : cases) {
    Make(4096, c.blocks, c.roots);
    Put({{"first.txt", ToBytes("1")}});
    const Bytes before = ReadFileBytes(path_);
    TVFSFile archive;
    ASSERT_TRUE(archive.Open(path_, true));
    const Bytes content = RandomBytes(c.size);
    EXPECT_EQ(ErrorOf([&] { archive.Tree().PutFile(c.name, content.data(), static_cast<uint32_t>(c.size)); }),
              c.message);
    archive.Close();
    EXPECT_EQ(ReadFileBytes(path_), before) << c.name;
  }
}

TEST_F(VfsArchiveTest, DamagedArchivesAreRefusedAndNeverWritten) {
  Make(512, 16, 4);
  Put({{"a.txt", RandomBytes(1500)}, {"d\\b.txt", ToBytes("b")}});
  const Bytes good = ReadFileBytes(path_);
  const size_t table = 52 + 256, roots = table + 8 * 16;
  auto put = [](Bytes b, size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i)); return b; };
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"more than 256 root slots", put(good, 12, 300)},
      {"short header", Bytes(good.begin(), good.begin() + 100)},
      {"short tables", Bytes(good.begin(), good.end() - 1)},
      {"counts the file cannot hold", put(good, 8, 0x10000000)},
      {"looping chain", put(good, table + 8 * 1 + 4, 1)},       // block 2 -> block 1
      {"chain out of range", put(good, table + 8 * 0 + 4, 99)},  // block 1 -> 99
      {"shared chain", put(good, roots + 88 + 76, U32At(good, roots + 76))},
      {"chain into a free block", put(good, roots + 76, 16)},
  };
  for (const auto& [what, bytes] : cases) {
    WriteFileBytes(path_, bytes);
    TVFSFile archive;
    EXPECT_FALSE(archive.Open(path_, true)) << what;
    EXPECT_FALSE(archive.Damage().empty()) << what;
    archive.Close();
    EXPECT_EQ(ReadFileBytes(path_), bytes) << what;
    EXPECT_EQ(Check(), 1) << what;
  }
}

TEST_F(VfsArchiveTest, SharedHashesAreListedOnceAsInvalid) {
  const auto records = TVFSHashFile::BuildRecords({{7, 1, 0, 0, 1, 1}, {3, 1, 0, 0, 2, 1}, {7, 9, 0, 0, 3, 1}, {0, 1, 0, 0, 4, 1}});
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Hash, 3u);
  EXPECT_EQ(records[1].FirstBlock, 1u);  // the first in tree order
  EXPECT_EQ(records[1].Valid, 0);
}

}  // namespace
}  // namespace setup::test
