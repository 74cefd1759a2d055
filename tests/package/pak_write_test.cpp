// Writing packages: the bytes must be exactly those the format prescribes.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "package/pak.h"
#include "test_support.h"

namespace setup {
namespace {

using test::ToBytes;

// Raw: a 76-byte text whose zlib stream would be longer, and random bytes; compressed:
// the rest; empty entries store nothing.
std::vector<test::RawEntry> SampleEntries() {
  return {
      {"SetupInfo", 0, test::CompressibleBytes(5000, 3), true},
      {"notes.txt", 0,
       ToBytes("GTd7FguoV8FWnFbB0JxXujr4qqaaABvvLOzAxzXMcU1vsHiQMaRiNTN9Ox98whGcTZc1UWb5fx\r\n"), false},
      {"empty-1", 1, {}, true},
      {"bin\\random.dat", 1, test::RandomBytes(4096), false},
      {"empty-2", 1, {}, true},
      {"bin\\text.dat", 2, test::CompressibleBytes(70000, 9), true},
  };
}

// Catches: a wrong storage choice, field or offset; a host image changed or data not
// starting after it; the file and memory paths disagreeing; empty content written.
TEST(PakWrite, PackagesMatchTheFormatByteForByte) {
  const struct {
    test::Bytes host;
    bool fromFiles;
  } cases[] = {{{}, false}, {{}, true}, {test::RandomBytes(12345, 99), true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "host " << c.host.size() << " from files " << c.fromFiles);
    test::TempDir dir;
    const std::string path = dir.Path("setup.exe");
    TPak pak;
    if (c.host.empty()) {
      ASSERT_TRUE(pak.Create(path, true, false));
    } else {
      test::WriteFileBytes(path, c.host);
      ASSERT_TRUE(pak.Create(path, false, true));
    }
    const auto entries = SampleEntries();
    for (size_t i = 0; i < entries.size(); ++i) {
      const std::string source = dir.Path("src" + std::to_string(i));
      if (c.fromFiles) test::WriteFileBytes(source, entries[i].content);
      EXPECT_EQ(pak.AddEntry(entries[i].name, c.fromFiles ? source : "", entries[i].group), i);
    }
    for (size_t i = 0; i < entries.size(); ++i) {
      const bool written =
          c.fromFiles ? pak.WriteEntryFromFile(i) : pak.WriteEntryFromMemory(i, entries[i].content);
      EXPECT_EQ(written, !entries[i].content.empty()) << entries[i].name;
    }
    ASSERT_TRUE(pak.WriteTable());
    pak.Close();
    EXPECT_EQ(test::ReadFileBytes(path), test::BuildRawPackage(entries, c.host).bytes);
  }
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

  TPak nowhere;
  EXPECT_FALSE(nowhere.Create(dir.Path("no-such-folder/p"), true, false));
  EXPECT_FALSE(nowhere.Create(dir.Path("no-such-host"), false, true));
}

// 70 MiB and more is stored raw, streamed in 25 MiB chunks, never verified by reading;
// one byte less is compressed like any other entry.
TEST(PakWrite, LargeEntriesAreStoredRawAndStreamed) {
  test::TempDir dir;
  const std::string big = dir.Path("big.bin");
  test::Bytes content(kLargeEntrySize, 0);
  for (size_t i = 0; i < content.size(); i += 4096) content[i] = static_cast<uint8_t>(i >> 12);
  test::WriteFileBytes(big, content);
  {
    TPak pak;
    ASSERT_TRUE(pak.Create(dir.Path("p"), true, false));
    pak.AddEntry("big.bin", big, 1);
    pak.AddEntry("almost", "", 1);
    ASSERT_TRUE(pak.WriteEntryFromFile(0));
    ASSERT_TRUE(pak.WriteEntryFromMemory(1, test::Bytes(kLargeEntrySize - 1, 0)));
    ASSERT_TRUE(pak.WriteTable());
  }
  TPak pak;
  ASSERT_TRUE(pak.Create(dir.Path("p")));
  const TPakEntry& e = pak.Entries()[0];
  EXPECT_EQ(e.Size, kLargeEntrySize);
  EXPECT_EQ(e.StoredSize, 0u);
  EXPECT_EQ(e.Crc, 0u);
  EXPECT_TRUE(pak.VerifyEntry(0));
  EXPECT_NE(pak.Entries()[1].StoredSize, 0u);
  EXPECT_TRUE(pak.VerifyEntry(1));

  std::vector<size_t> chunks;
  size_t at = 0;
  bool same = true;
  ASSERT_TRUE(pak.StreamStored(0, [&](ByteView chunk) {
    chunks.push_back(chunk.size());
    same = same && std::equal(chunk.begin(), chunk.end(), content.begin() + static_cast<long>(at));
    at += chunk.size();
    return true;
  }));
  EXPECT_TRUE(same);
  EXPECT_EQ(chunks, (std::vector<size_t>{kStreamChunkSize, kStreamChunkSize,
                                         kLargeEntrySize - 2 * kStreamChunkSize}));
}

}  // namespace
}  // namespace setup
