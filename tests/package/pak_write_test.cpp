// Writing packages: the bytes must be exactly those the format prescribes.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "package/pak.h"
#include "test_support.h"

namespace setup {
namespace {

using test::ToBytes;

// A 76-byte text: its zlib stream would be longer than the text itself.
const std::string kSmallText = "GTd7FguoV8FWnFbB0JxXujr4qqaaABvvLOzAxzXMcU1vsHiQMaRiNTN9Ox98whGcTZc1UWb5fx\r\n";

std::vector<test::RawEntry> SampleEntries() {
  return {
      {"SetupInfo", 0, test::CompressibleBytes(5000, 3), true},
      {"notes.txt", 0, ToBytes(kSmallText), false},
      {"empty-1", 1, {}, true},
      {"bin\\random.dat", 1, test::RandomBytes(4096), false},
      {"empty-2", 1, {}, true},
      {"bin\\text.dat", 2, test::CompressibleBytes(70000, 9), true},
  };
}

void WriteWithTPak(TPak& pak, const std::vector<test::RawEntry>& entries, bool fromFiles,
                   const test::TempDir& dir) {
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string source = dir.Path("src" + std::to_string(i));
    if (fromFiles) test::WriteFileBytes(source, entries[i].content);
    EXPECT_EQ(pak.AddEntry(entries[i].name, fromFiles ? source : "", entries[i].group), i);
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    const bool written = fromFiles ? pak.WriteEntryFromFile(i) : pak.WriteEntryFromMemory(i, entries[i].content);
    // Empty content writes nothing and reports false.
    EXPECT_EQ(written, !entries[i].content.empty()) << entries[i].name;
  }
  ASSERT_TRUE(pak.WriteTable());
  pak.Close();
}

TEST(PakWrite, StandAlonePackageMatchesTheFormatByteForByte) {
  ASSERT_EQ(kSmallText.size(), 76u);
  for (bool fromFiles : {false, true}) {
    test::TempDir dir;
    TPak pak;
    ASSERT_TRUE(pak.Create(dir.Path("out.pak"), true, false));
    WriteWithTPak(pak, SampleEntries(), fromFiles, dir);
    EXPECT_EQ(test::ReadFileBytes(dir.Path("out.pak")), test::BuildRawPackage(SampleEntries()).bytes)
        << "from files: " << fromFiles;
  }
}

TEST(PakWrite, AppendedToAHostLeavesTheHostUntouchedAndStartsDataAfterIt) {
  test::TempDir dir;
  const test::Bytes host = test::RandomBytes(12345, 99);
  test::WriteFileBytes(dir.Path("setup.exe"), host);
  TPak pak;
  ASSERT_TRUE(pak.Create(dir.Path("setup.exe"), false, true));
  EXPECT_EQ(pak.Trailer().DataStart, host.size());
  WriteWithTPak(pak, SampleEntries(), true, dir);

  const test::Bytes written = test::ReadFileBytes(dir.Path("setup.exe"));
  EXPECT_EQ(written, test::BuildRawPackage(SampleEntries(), host).bytes);

  TPak reader;
  ASSERT_TRUE(reader.Create(dir.Path("setup.exe")));
  EXPECT_EQ(reader.Entries()[0].Offset, host.size());
  EXPECT_EQ(reader.Trailer().DataStart, host.size());
  for (size_t i = 0; i < reader.Count(); ++i) {
    if (reader.Entries()[i].Size != 0) {
      EXPECT_TRUE(reader.VerifyEntry(i)) << i;
    }
  }
  EXPECT_EQ(reader.ExtractEntry(3), test::RandomBytes(4096));
}

TEST(PakWrite, RecordsSizesAndCrcForEachStorageChoice) {
  test::TempDir dir;
  TPak pak;
  ASSERT_TRUE(pak.Create(dir.Path("p"), true, false));
  const size_t text = pak.AddEntry("small", "", 0);
  const size_t packed = pak.AddEntry("packed", "", 0);
  const size_t empty = pak.AddEntry("empty", "", 0);
  auto stored = pak.PackEntry(text, ToBytes(kSmallText));
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(pak.Entries()[text].StoredSize, 0u);
  EXPECT_EQ(pak.Entries()[text].Size, 76u);
  EXPECT_EQ(*stored, ToBytes(kSmallText));

  stored = pak.PackEntry(packed, test::Bytes(1000, 'a'));
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(pak.Entries()[packed].StoredSize, stored->size());
  EXPECT_LT(stored->size(), 1000u);

  EXPECT_FALSE(pak.PackEntry(empty, {}).has_value());
  EXPECT_EQ(pak.Entries()[empty].Crc, 0u);
  EXPECT_EQ(pak.Entries()[empty].Offset, 0u);
}

TEST(PakWrite, RefusesWhatTheFormatCannotHold) {
  test::TempDir dir;
  TPak reader;
  EXPECT_THROW(reader.AddEntry("x", "", 0), SetupError);  // not open for writing

  TPak pak;
  ASSERT_TRUE(pak.Create(dir.Path("p"), true, false));
  EXPECT_NO_THROW(pak.AddEntry(std::string(65535, 'n'), "", 0));
  EXPECT_THROW(pak.AddEntry(std::string(65536, 'n'), "", 0), SetupError);

  const size_t missing = pak.AddEntry("missing", dir.Path("no-such-file"), 1);
  EXPECT_THROW(pak.WriteEntryFromFile(missing), SetupError);
  EXPECT_THROW(pak.PackFile(missing), SetupError);

  TPak nowhere;
  EXPECT_FALSE(nowhere.Create(dir.Path("no-such-folder/p"), true, false));
  EXPECT_FALSE(nowhere.Create(dir.Path("no-such-host"), false, true));
}

// 70 MiB and more is stored raw, streamed in 25 MiB chunks, never verified by reading;
// one byte less is compressed like any other entry.
TEST(PakWrite, LargeEntriesAreStoredRawAndStreamed) {
  test::TempDir dir;
  const std::string big = dir.Path("big.bin");
  {
    test::Bytes content(kLargeEntrySize, 0);
    for (size_t i = 0; i < content.size(); i += 4096) content[i] = static_cast<uint8_t>(i >> 12);
    test::WriteFileBytes(big, content);
  }
  {
    TPak pak;
    ASSERT_TRUE(pak.Create(dir.Path("p"), true, false));
    pak.AddEntry("first", "", 0);
    pak.AddEntry("big.bin", big, 1);
    pak.AddEntry("almost", "", 1);
    ASSERT_TRUE(pak.WriteEntryFromMemory(0, ToBytes("first entry")));
    ASSERT_TRUE(pak.WriteEntryFromFile(1));
    ASSERT_TRUE(pak.WriteEntryFromMemory(2, test::Bytes(kLargeEntrySize - 1, 0)));
    ASSERT_TRUE(pak.WriteTable());
  }
  TPak pak;
  ASSERT_TRUE(pak.Create(dir.Path("p")));
  const TPakEntry& e = pak.Entries()[1];
  EXPECT_EQ(e.Size, kLargeEntrySize);
  EXPECT_EQ(e.StoredSize, 0u);
  EXPECT_EQ(e.Crc, 0u);
  EXPECT_TRUE(pak.VerifyEntry(1));
  EXPECT_NE(pak.Entries()[2].StoredSize, 0u);
  EXPECT_TRUE(pak.VerifyEntry(2));

  const test::Bytes expected = test::ReadFileBytes(big);
  std::vector<size_t> chunks;
  size_t at = 0;
  bool same = true;
  ASSERT_TRUE(pak.StreamStored(1, [&](ByteView chunk) {
    chunks.push_back(chunk.size());
    same = same && std::equal(chunk.begin(), chunk.end(), expected.begin() + static_cast<long>(at));
    at += chunk.size();
    return true;
  }));
  EXPECT_TRUE(same);
  EXPECT_EQ(chunks, (std::vector<size_t>{kStreamChunkSize, kStreamChunkSize, kLargeEntrySize - 2 * kStreamChunkSize}));
}

}  // namespace
}  // namespace setup
