// Reading packages laid out by hand: lookups by index, name and group; the buffer reader.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <utility>
#include <tuple>

#include "package/buffer_manager.h"
#include "package/pak.h"
#include "package/pak_verifier.h"
#include "signed_image.h"
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
    test::WriteFileBytes(dir_.Path("setup.exe"), raw_.bytes);
    ASSERT_TRUE(pak_.Create(dir_.Path("setup.exe")));
  }

  test::TempDir dir_;
  test::RawPackage raw_;
  TPak pak_;
};

// Catches: trailer or record fields read from the wrong place, width or byte order.
TEST_F(PakRead, ReadsTrailerAndEveryRecordField) {
  EXPECT_EQ(pak_.State(), PakState::Valid);
  EXPECT_EQ(pak_.Trailer().MagicText(), "KZPF");
  EXPECT_EQ(pak_.Trailer().Version, 1);
  EXPECT_EQ(pak_.Trailer().DataStart, raw_.dataStart);
  EXPECT_EQ(pak_.Trailer().TableOffset, raw_.tableOffset);
  EXPECT_EQ(pak_.TailLength(), raw_.bytes.size() - raw_.tableOffset);
  ASSERT_EQ(pak_.Count(), raw_.records.size());
  for (size_t i = 0; i < raw_.records.size(); ++i) {
    const TPakEntry& e = pak_.Entries()[i];
    const test::RawRecord& r = raw_.records[i];
    EXPECT_EQ(std::tie(e.Name, e.Crc, e.Offset, e.StoredSize, e.Size, e.Group),
              std::tie(r.name, r.crc, r.offset, r.storedSize, r.size, r.group))
        << i;
  }
}

// Catches: raw and compressed storage confused, an empty entry reported as an error,
// an index past the table read.
TEST_F(PakRead, ExtractsCompressedRawAndEmptyEntries) {
  test::MessageRecorder boxes;
  EXPECT_EQ(pak_.ExtractEntry(3), test::CompressibleBytes(300000));
  EXPECT_EQ(pak_.ExtractEntry(1), ToBytes("short text stored raw"));
  EXPECT_FALSE(pak_.ExtractEntry(2).has_value());
  EXPECT_FALSE(pak_.ExtractEntry(7).has_value());
  EXPECT_FALSE(pak_.ReadStored(99).has_value());
  EXPECT_TRUE(boxes.boxes.empty());
  // The stored bytes of a compressed entry are the stream, not the content.
  EXPECT_EQ(pak_.ReadStored(0).value_or(Bytes()).size(), raw_.records[0].storedSize);
  EXPECT_TRUE(pak_.VerifyEntry(0));
  EXPECT_FALSE(pak_.VerifyEntry(2));  // an empty entry does not extract
  EXPECT_FALSE(pak_.VerifyEntry(7));
}

// Catches: names matched with case or across groups, a later duplicate winning, the
// size left stale when nothing or an empty entry matches.
TEST_F(PakRead, FindsNamesCaseInsensitivelyWithinOneGroupFirstMatchWins) {
  uint32_t size = 99;
  EXPECT_EQ(pak_.ExtractByName("setupinfo", 0, size),
            ToBytes("setup information record, repeated repeated repeated"));
  EXPECT_EQ(size, raw_.records[0].size);
  EXPECT_EQ(pak_.ExtractByName("readme.txt", 2, size), ToBytes("same name, another group"));
  EXPECT_EQ(pak_.IndexOf("Readme.Txt", 1), 1u);
  EXPECT_FALSE(pak_.ExtractByName("SetupInfo", 1, size).has_value());
  EXPECT_EQ(size, 0u);
  size = 99;
  EXPECT_FALSE(pak_.ExtractByName("EMPTY.DAT", 1, size).has_value());
  EXPECT_EQ(size, 0u);
}

// Catches: group walks that skip, repeat or leave the group, a cursor that does not
// stay at the end or does not restart with FindFirst.
TEST_F(PakRead, GroupWalksCountsAndCursor) {
  EXPECT_EQ(pak_.CountInGroup(1), 3u);
  EXPECT_EQ(pak_.CountInGroup(9), 0u);
  EXPECT_EQ(pak_.CountGrouped(), 5u);

  std::vector<size_t> visited;
  pak_.ForEachInGroup(1, [&](size_t i) { visited.push_back(i); });
  EXPECT_EQ(visited, (std::vector<size_t>{1, 2, 3}));
  size_t index = 0;
  std::vector<size_t> walked;
  for (bool more = pak_.FindFirstIndex(2, index); more; more = pak_.FindNextIndex(2, index)) {
    walked.push_back(index);
  }
  EXPECT_EQ(walked, (std::vector<size_t>{4, 5}));

  uint32_t size = 0;
  std::string name;
  EXPECT_EQ(pak_.FindFirst(1, size, true, name), ToBytes("short text stored raw"));
  EXPECT_EQ(name, "readme.txt");
  EXPECT_FALSE(pak_.FindNext(1, size, false, name).has_value());
  EXPECT_EQ(name, "empty.dat");
  EXPECT_EQ(pak_.FindNext(1, size, true, name), test::CompressibleBytes(300000));
  EXPECT_EQ(name, "data\\big.bin");
  EXPECT_EQ(size, 300000u);
  for (int i = 0; i < 2; ++i) {  // past the end: null, size 0, empty name, again and again
    name = "x";
    size = 1;
    EXPECT_FALSE(pak_.FindNext(1, size, true, name).has_value());
    EXPECT_EQ(name, "");
    EXPECT_EQ(size, 0u);
  }
  pak_.FindFirst(1, size, false, name);
  EXPECT_EQ(name, "readme.txt");
}

// A signed setup ends with a certificate table, not the trailer: the trailer is found
// just before the table (and its zero padding), never elsewhere.
TEST(PakSigned, TheTrailerBeforeACertificateTableThatEndsTheFile) {
  test::TempDir dir;
  const struct {
    const char* what;
    bool wide;
    size_t padding;
    std::function<void(Bytes&, size_t packageEnd)> spoil;
    bool found;
  } cases[] = {
      {"PE32, no padding", false, 0, nullptr, true},
      {"PE32+, seven zero bytes", true, 7, nullptr, true},
      {"padding that is not zero", false, 3, [](Bytes& f, size_t end) { f[end + 1] = 1; }, false},
      {"eight bytes of padding", false, 8, nullptr, false},
      {"a table that does not end the file", false, 0, [](Bytes& f, size_t) { f.push_back(0); }, false},
      {"a table that begins past the file's end", false, 0,
       [](Bytes& f, size_t) { PutU32(&f[test::SecurityEntryOffset(false)], 0xFFFFFFF0u); }, false},
      {"no PE signature", false, 0, [](Bytes& f, size_t) { f[test::kPeOffset] = 'X'; }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::RawPackage raw = test::BuildRawPackage({{"SetupInfo", 0, ToBytes("record")}, {"a.txt", 1, ToBytes("aaa")}},
                                                 test::PeHeaders(c.wide));
    Bytes file = raw.bytes;
    const size_t packageEnd = file.size();
    test::AppendSignature(file, c.wide, c.padding);
    if (c.spoil) c.spoil(file, packageEnd);
    test::WriteFileBytes(dir.Path("setup.exe"), file);
    TPak pak;
    EXPECT_EQ(pak.Create(dir.Path("setup.exe")), c.found);
    if (!c.found) continue;
    ASSERT_EQ(pak.Count(), 2u);
    uint32_t size = 0;
    EXPECT_EQ(pak.ExtractByName("a.txt", 1, size).value_or(Bytes{}), ToBytes("aaa"));
    EXPECT_EQ(pak.TailLength(), packageEnd - raw.tableOffset);
  }
}

// Catches: outcomes handed back out of table order, a later failure overtaking an
// earlier one, a worker that shows a box itself instead of leaving it to the caller.
TEST(PakVerifier, HandsOutcomesBackInTableOrderWhateverTheWorkersDo) {
  std::vector<test::RawEntry> entries;
  for (uint32_t i = 0; i < 48; ++i) {
    entries.push_back({"file" + std::to_string(i), 1, test::CompressibleBytes(3000 + i * 997, i), i % 3 != 0});
  }
  test::RawPackage raw = test::BuildRawPackage(entries);
  raw.bytes[raw.records[9].offset + 5] ^= 0x01;      // entry 9: CRC mismatch
  raw.bytes[raw.records[40].offset + 7] ^= 0x01;     // entry 40: CRC mismatch too
  test::TempDir dir;
  test::WriteFileBytes(dir.Path("p.pak"), raw.bytes);
  TPak pak;
  ASSERT_TRUE(pak.Create(dir.Path("p.pak")));
  test::MessageRecorder boxes;

  for (unsigned workers : {1u, 4u}) {
    TPakVerifier verifier(pak, workers);
    for (size_t i = 0; i < 9; ++i) EXPECT_TRUE(verifier.Next().Passed) << i;
    const EntryVerification failed = verifier.Next();
    EXPECT_FALSE(failed.Passed);
    EXPECT_FALSE(failed.WrongLength);
    verifier.Stop();
  }
  EXPECT_TRUE(boxes.boxes.empty()) << "workers never show anything themselves";
  EXPECT_GE(VerifyWorkerCount(), 1u);
  EXPECT_LE(VerifyWorkerCount(), kMaxVerifyWorkers);
}

// Catches results handed back out of list order, and a decoder that waits forever for
// room when one entry alone is larger than its budget.
TEST(ParallelDecoder, HandsBackEveryEntryInListOrderUnderAnyBudget) {
  std::vector<test::RawEntry> entries;
  std::vector<size_t> list;
  for (uint32_t i = 0; i < 60; ++i) {
    const size_t size = i == 30 ? 20000 : i == 7 ? 0 : 100 + i * 50;
    entries.push_back({"f" + std::to_string(i), 1, test::CompressibleBytes(size, i + 1), i % 3 != 0});
    list.push_back(i);
  }
  test::TempDir dir;
  test::WriteFileBytes(dir.Path("p.pak"), test::BuildRawPackage(entries).bytes);
  TPak pak;
  ASSERT_TRUE(pak.Create(dir.Path("p.pak")));
  for (const auto& [budget, workers] : {std::pair<uint64_t, unsigned>{kDecodeBudget, 4}, {4096, 3}, {1, 2}}) {
    ParallelDecoder decoder(pak, list, workers, budget);
    for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(decoder.Take().Content.value_or(Bytes{}), entries[i].content) << i;
    EXPECT_THROW(decoder.Take(), std::logic_error);
  }
}

// Catches: a block read past the end of the borrowed buffer, a count reported larger
// than what was copied, a seek past the end that reads anyway.
TEST(BufferManager, ReadsPastTheEndGiveTheRestThenNothing) {
  const Bytes data = {1, 2, 3, 4, 5};
  TBufferManager m(data);
  size_t got = 0;
  EXPECT_EQ(m.Read(3, got), (Bytes{1, 2, 3}));
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(m.Read(10, got), (Bytes{4, 5}));
  EXPECT_EQ(got, 2u);
  EXPECT_FALSE(m.Read(1, got).has_value());
  EXPECT_EQ(got, 0u);
  m.Seek(100);
  EXPECT_FALSE(m.ReadBlock(1).has_value());
  uint8_t dest[4] = {};
  m.Seek(3);
  EXPECT_EQ(m.ReadInto(4, dest), 2u);
  EXPECT_EQ(dest[1], 5);
  TBufferManager empty(nullptr, 10);
  EXPECT_FALSE(empty.Read(1, got).has_value());
}

}  // namespace
}  // namespace setup
