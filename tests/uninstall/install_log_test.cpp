// "install.log" on disk: the byte layout against a log written by hand from the format,
// the scrambling with the log key, damaged and short logs, and the single counted
// string helpers. Paths are drive paths inside a sandbox root of the test's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/posix_controls.h"
#include "test_support.h"
#include "uninstall/uninstall_list.h"

namespace setup {
namespace {

using test::Bytes;
using Lists = std::vector<std::vector<std::string>>;  // files, registry entries, folders

// A log written from the format alone: three u16 counts, then counted strings whose
// bytes are the entry with the key digits added modulo 256, the key restarting at its
// first digit for each entry. ends[i] is where the i-th string ends, in file order.
struct HandLog {
  Bytes bytes;
  std::vector<size_t> ends;
};
HandLog WriteByHand(const Lists& lists) {
  HandLog log;
  for (const auto& list : lists) test::AppendU16(log.bytes, static_cast<uint16_t>(list.size()));
  for (const auto& list : lists) {
    for (const std::string& entry : list) {
      test::AppendU16(log.bytes, static_cast<uint16_t>(entry.size()));
      for (size_t i = 0; i < entry.size(); ++i) {
        const int digit = UninstallLogKey[i % 244] - '0';
        log.bytes.push_back(static_cast<uint8_t>(static_cast<uint8_t>(entry[i]) + digit));
      }
      log.ends.push_back(log.bytes.size());
    }
  }
  return log;
}

Lists ListsOf(const TUninstallList& l) { return {l.Files(), l.RegistryEntries(), l.Folders()}; }

// The first `count` entries of lists, in file order.
Lists Prefix(const Lists& lists, size_t count) {
  Lists out(3);
  for (size_t k = 0; k < 3; ++k) {
    for (const std::string& e : lists[k]) {
      if (count == 0) return out;
      out[k].push_back(e);
      --count;
    }
  }
  return out;
}

class InstallLog : public ::testing::Test {
 protected:
  void SetUp() override { platform::posix::SetSandboxRoot(dir_.Path()); }
  void TearDown() override { platform::posix::SetSandboxRoot(""); }
  // The local file behind a drive path.
  std::string Local(const std::string& path) { return platform::posix::MapPath(path); }

  test::TempDir dir_;
  const Lists sample_ = {{"A", "$INSTDIR\\data\\game.dat", std::string(300, 'a'), ""},
                         {"\"HKLM\" \"Software\\Game\" \"Path\" \"$INSTDIR\""},
                         {"C:\\Game\\", "C:\\Game\\data\\", "C:\\Game\\"}};
};

TEST_F(InstallLog, SavesTheLayoutByteForByteAndLoadsItBack) {
  std::filesystem::create_directories(Local("C:\\Game"));
  TUninstallList list;
  for (const auto& e : sample_[0]) list.AddFile(e);
  for (const auto& e : sample_[1]) list.AddRegistryEntry(e);
  for (const auto& e : sample_[2]) list.AddFolder(e);
  ASSERT_TRUE(list.Save("C:\\Game", "my_"));

  const Bytes saved = test::ReadFileBytes(Local("C:\\Game\\my_install.log"));
  // The 300-character entry uses all 244 digits, then the first 56 again.
  EXPECT_EQ(saved, WriteByHand(sample_).bytes);

  TUninstallList loaded;
  loaded.AddFolder("left over");
  EXPECT_EQ(loaded.Load("C:\\Game", "my_"), LoadResult::Loaded);
  EXPECT_EQ(ListsOf(loaded), sample_);
  // The index is rebuilt from the file: a loaded file is found, case folded.
  EXPECT_EQ(loaded.AddFile("$instdir\\DATA\\game.dat"), AddResult::AlreadyListed);

  // Saving again over the file replaces it entirely, however long it was.
  test::WriteFileBytes(Local("C:\\Game\\my_install.log"), Bytes(5000, 0xAB));
  TUninstallList empty;
  ASSERT_TRUE(empty.Save("C:\\Game\\", "my_"));  // a doubled backslash names the same file
  EXPECT_EQ(test::ReadFileBytes(Local("C:\\Game\\my_install.log")), Bytes(6, 0));
  EXPECT_EQ(loaded.Load("C:\\Game", "my_"), LoadResult::Loaded);
  EXPECT_EQ(ListsOf(loaded), Lists(3));
}

TEST_F(InstallLog, MissingFilesChangeNothingAndUnwritableLogsReportFailure) {
  TUninstallList list;
  list.AddFile("C:\\x");
  EXPECT_EQ(list.Load("C:\\Nowhere", "x_"), LoadResult::NotFound);
  EXPECT_EQ(list.Files(), std::vector<std::string>{"C:\\x"});
  EXPECT_FALSE(list.Save("C:\\Nowhere", ""));  // the folder does not exist
}

TEST_F(InstallLog, ShortLogsKeepEveryEntryReadInFull) {
  const HandLog full = WriteByHand(sample_);
  std::filesystem::create_directories(Local("C:\\Game"));
  for (size_t cut = 0; cut <= full.bytes.size(); ++cut) {
    const Bytes bytes(full.bytes.begin(), full.bytes.begin() + static_cast<long>(cut));
    size_t whole = 0;
    while (whole < full.ends.size() && full.ends[whole] <= cut) ++whole;
    const Lists expected = cut < 6 ? Lists(3) : Prefix(sample_, whole);

    const InstallLogImage image = DecodeInstallLog(bytes);
    EXPECT_EQ(image.Complete, cut == full.bytes.size()) << cut;
    EXPECT_EQ(image.HeaderComplete, cut >= 6) << cut;
    EXPECT_EQ((Lists{image.Lists.Files, image.Lists.RegistryEntries, image.Lists.Folders}), expected) << cut;

    // The file reader buffers differently: check it where pieces begin and end.
    bool boundary = cut <= 6;
    for (size_t end : full.ends) boundary = boundary || (cut + 1 >= end && cut <= end + 2);
    if (!boundary) continue;
    test::WriteFileBytes(Local("C:\\Game\\install.log"), bytes);
    TUninstallList list;
    list.AddFile("C:\\before");  // cleared even when nothing can be read
    EXPECT_EQ(list.Load("C:\\Game", ""), image.Complete ? LoadResult::Loaded : LoadResult::Damaged);
    EXPECT_EQ(ListsOf(list), expected) << cut;
  }
}

TEST(InstallLogBytes, DamagedCountsNeverReadOrReserveBeyondTheBytes) {
  const Bytes hugeCounts = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0x00, 'a'};
  const InstallLogImage image = DecodeInstallLog(hugeCounts);
  EXPECT_FALSE(image.Complete);
  EXPECT_EQ(image.Announced[0], 0xFFFF);
  EXPECT_TRUE(image.Lists.Files.empty());

  Bytes trailing = WriteByHand({{"f"}, {}, {}}).bytes;
  trailing.insert(trailing.end(), {1, 2, 3});
  EXPECT_TRUE(DecodeInstallLog(trailing).Complete);
  EXPECT_EQ(DecodeInstallLog(trailing).TrailingBytes, 3u);

  // Random bytes: every string decoded is backed by input bytes.
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    const Bytes noise = test::RandomBytes(seed % 97, seed);
    const InstallLogImage n = DecodeInstallLog(noise);
    size_t decoded = 0;
    for (const auto* list : {&n.Lists.Files, &n.Lists.RegistryEntries, &n.Lists.Folders}) {
      for (const std::string& e : *list) decoded += 2 + e.size();
    }
    EXPECT_LE(decoded + (n.HeaderComplete ? 6 : 0), noise.size()) << seed;
  }
}

TEST_F(InstallLog, CountedStringsOnAnOpenFile) {
  const std::string path = "C:\\strings.bin";
  std::filesystem::create_directories(Local("C:\\"));
  platform::File file;
  ASSERT_TRUE(file.Open(path, platform::OpenMode::CreateExclusive));
  EXPECT_FALSE(WriteCountedString(file, "abc"));
  EXPECT_FALSE(WriteCountedString(file, ""));
  EXPECT_TRUE(WriteCountedString(file, std::string(65536, 'x')));  // refused, nothing written
  file.Close();
  EXPECT_TRUE(WriteCountedString(file, "abc"));  // a closed file fails
  EXPECT_EQ(test::ReadFileBytes(Local(path)), (Bytes{3, 0, 'a', 'b', 'c', 0, 0}));

  test::WriteFileBytes(Local(path), {3, 0, 'a', 'b', 'c', 0, 0, 5, 0, 'x'});
  ASSERT_TRUE(file.Open(path, platform::OpenMode::ReadShared));
  std::string text = "old";
  EXPECT_TRUE(ReadCountedString(file, text));
  EXPECT_EQ(text, "abc");
  EXPECT_TRUE(ReadCountedString(file, text));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(ReadCountedString(file, text));  // announces 5, holds 1
  EXPECT_EQ(text, "");
}

}  // namespace
}  // namespace setup
