// Reading packages laid out by hand: lookups by index, name and group.
#include <gtest/gtest.h>

#include "package/pak.h"
#include "test_support.h"

namespace setup {
namespace {

using test::ToBytes;

class PakRead : public ::testing::Test {
 protected:
  void SetUp() override {
    raw_ = test::BuildRawPackage(
        {
            {"SetupInfo", 0, ToBytes("setup information record, repeated repeated repeated"), true},
            {"readme.txt", 1, ToBytes("short text stored raw"), false},
            {"empty.dat", 1, {}, true},
            {"data\\big.bin", 1, test::CompressibleBytes(300000), true},
            {"README.TXT", 2, ToBytes("same name, another group"), false},
            {"readme.txt", 2, ToBytes("later duplicate in the same group"), false},
            {"Pages.txt", 0, ToBytes("[Pages]"), false},
        },
        ToBytes("MZ host image"));
    path_ = dir_.Path("setup.exe");
    test::WriteFileBytes(path_, raw_.bytes);
    ASSERT_TRUE(pak_.Create(path_));
  }

  test::TempDir dir_;
  test::RawPackage raw_;
  std::string path_;
  TPak pak_;
};

TEST_F(PakRead, ReadsTrailerAndEveryRecordField) {
  EXPECT_EQ(pak_.State(), PakState::Valid);
  EXPECT_EQ(pak_.Trailer().MagicText(), "KZPF");
  EXPECT_EQ(pak_.Trailer().Version, 1);
  EXPECT_EQ(pak_.Trailer().Count, 7);
  EXPECT_EQ(pak_.Trailer().DataStart, raw_.dataStart);
  EXPECT_EQ(pak_.Trailer().TableOffset, raw_.tableOffset);
  EXPECT_EQ(pak_.TailLength(), raw_.bytes.size() - raw_.tableOffset);
  ASSERT_EQ(pak_.Count(), raw_.records.size());
  for (size_t i = 0; i < raw_.records.size(); ++i) {
    const TPakEntry& e = pak_.Entries()[i];
    const test::RawRecord& r = raw_.records[i];
    EXPECT_EQ(e.Name, r.name);
    EXPECT_EQ(e.Crc, r.crc);
    EXPECT_EQ(e.Offset, r.offset);
    EXPECT_EQ(e.StoredSize, r.storedSize);
    EXPECT_EQ(e.Size, r.size);
    EXPECT_EQ(e.Group, r.group);
  }
}

TEST_F(PakRead, ExtractsCompressedRawAndEmptyEntries) {
  test::MessageRecorder boxes;
  EXPECT_EQ(pak_.ExtractEntry(3), test::CompressibleBytes(300000));
  EXPECT_EQ(pak_.ExtractEntry(1), ToBytes("short text stored raw"));
  // An empty entry has no content and is no error: no box.
  EXPECT_FALSE(pak_.ExtractEntry(2).has_value());
  EXPECT_FALSE(pak_.ExtractEntry(7).has_value());
  EXPECT_FALSE(pak_.ReadStored(99).has_value());
  EXPECT_TRUE(boxes.boxes.empty());
  // The stored bytes of a compressed entry are the stream, not the content.
  auto stored = pak_.ReadStored(0);
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->size(), raw_.records[0].storedSize);
  EXPECT_EQ((*stored)[0], 0x78);
  EXPECT_TRUE(pak_.VerifyEntry(0));
  EXPECT_FALSE(pak_.VerifyEntry(2));  // an empty entry does not extract
  EXPECT_FALSE(pak_.VerifyEntry(7));
}

TEST_F(PakRead, FindsNamesCaseInsensitivelyWithinOneGroupFirstMatchWins) {
  uint32_t size = 99;
  EXPECT_EQ(pak_.ExtractByName("setupinfo", 0, size),
            ToBytes("setup information record, repeated repeated repeated"));
  EXPECT_EQ(size, raw_.records[0].size);

  // The same name in group 2: the first in table order, matched without regard to case.
  EXPECT_EQ(pak_.ExtractByName("readme.txt", 2, size), ToBytes("same name, another group"));
  EXPECT_EQ(pak_.IndexOf("Readme.Txt", 1), 1u);

  // A name that exists only in another group.
  EXPECT_FALSE(pak_.ExtractByName("SetupInfo", 1, size).has_value());
  EXPECT_EQ(size, 0u);

  // Size is set even when the entry has no content.
  EXPECT_FALSE(pak_.ExtractByName("EMPTY.DAT", 1, size).has_value());
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(pak_.IndexOf("empty.dat", 1), 2u);
}

TEST_F(PakRead, GroupWalksCountsAndCursor) {
  EXPECT_EQ(pak_.CountInGroup(0), 2u);
  EXPECT_EQ(pak_.CountInGroup(1), 3u);
  EXPECT_EQ(pak_.CountInGroup(2), 2u);
  EXPECT_EQ(pak_.CountInGroup(9), 0u);
  EXPECT_EQ(pak_.CountGrouped(), 5u);

  std::vector<size_t> visited;
  pak_.ForEachInGroup(1, [&](size_t i) { visited.push_back(i); });
  EXPECT_EQ(visited, (std::vector<size_t>{1, 2, 3}));
  pak_.ForEachInGroup(1, nullptr);  // no callback: nothing happens

  size_t index = 0;
  std::vector<size_t> walked;
  for (bool more = pak_.FindFirstIndex(2, index); more; more = pak_.FindNextIndex(2, index)) {
    walked.push_back(index);
  }
  EXPECT_EQ(walked, (std::vector<size_t>{4, 5}));

  uint32_t size = 0;
  std::string name;
  auto content = pak_.FindFirst(1, size, true, name);
  EXPECT_EQ(name, "readme.txt");
  EXPECT_EQ(content, ToBytes("short text stored raw"));
  content = pak_.FindNext(1, size, false, name);
  EXPECT_EQ(name, "empty.dat");
  EXPECT_FALSE(content.has_value());
  content = pak_.FindNext(1, size, true, name);
  EXPECT_EQ(name, "data\\big.bin");
  EXPECT_EQ(size, 300000u);
  EXPECT_EQ(content, test::CompressibleBytes(300000));
  // Past the last entry of the group: null, size 0, empty name, again and again.
  for (int i = 0; i < 3; ++i) {
    name = "x";
    size = 1;
    EXPECT_FALSE(pak_.FindNext(1, size, true, name).has_value());
    EXPECT_EQ(name, "");
    EXPECT_EQ(size, 0u);
  }
  // FindFirst starts over.
  pak_.FindFirst(1, size, false, name);
  EXPECT_EQ(name, "readme.txt");
}

TEST(PakReadEdge, PackageWithoutEntriesIsValidAndEmpty) {
  test::TempDir dir;
  const auto raw = test::BuildRawPackage({}, ToBytes("host"));
  test::WriteFileBytes(dir.Path("p"), raw.bytes);
  TPak pak;
  ASSERT_TRUE(pak.Create(dir.Path("p")));
  EXPECT_EQ(pak.Count(), 0u);
  EXPECT_EQ(pak.Trailer().TableOffset, pak.Trailer().DataStart);
  EXPECT_EQ(pak.CountGrouped(), 0u);
}

TEST(PakReadEdge, AllEmptyEntriesShareOffsetZero) {
  test::TempDir dir;
  const auto raw = test::BuildRawPackage({{"a", 0, {}}, {"b", 1, {}}, {"c", 1, {}}});
  test::WriteFileBytes(dir.Path("p"), raw.bytes);
  TPak pak;
  ASSERT_TRUE(pak.Create(dir.Path("p")));
  for (const auto& e : pak.Entries()) {
    EXPECT_EQ(e.Offset, 0u);
    EXPECT_EQ(e.Crc, 0u);
    EXPECT_EQ(e.StoredSize, 0u);
  }
}

}  // namespace
}  // namespace setup
