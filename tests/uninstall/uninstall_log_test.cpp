// The uninstall log: which additions count as duplicates, the 16-bit limits, the folders
// ForceDirectoriesLogged records, the digit-key scrambling, and "install.log" on disk
// against a log written by hand from the format. Paths are drive paths inside a sandbox
// root of the test's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installlog/uninstall_list.h"
#include "package/string_scramble.h"
#include "platform/posix/posix_controls.h"
#include "test_support.h"

namespace setup {
namespace {

using test::Bytes;
using Strings = std::vector<std::string>;
using Lists = std::vector<Strings>;  // files, registry entries, folders

TEST(UninstallList, DuplicatesAreJudgedWithAsciiFoldingOnly) {
  TUninstallList list;
  // Windows-1252 capital and small A with diaeresis differ; '[' is not 'Z' + 1 folded.
  const Strings files = {"C:\\X\\a.dat", "C:\\\xC4.dat", "C:\\\xE4.dat", "C:\\a[", "C:\\A{"};
  for (const std::string& f : files) list.AddFile(f);
  EXPECT_EQ(list.AddFile("c:\\x\\A.DAT"), AddResult::AlreadyListed);
  EXPECT_EQ(list.Files(), files);
  const std::string entry = "\"HKLM\" \"Software\\Game\" \"Path\" \"C:\\Game\"";
  const std::string folded = "\"hklm\" \"SOFTWARE\\game\" \"path\" \"c:\\game\"";
  EXPECT_EQ(list.AddRegistryEntry(entry), AddResult::Added);
  EXPECT_EQ(list.AddRegistryEntry(folded), AddResult::AlreadyListed);
  EXPECT_TRUE(list.HasFile("c:\\x\\A.dat") && list.HasRegistryEntry(folded));
  for (const char* folder : {"C:\\Game\\", "C:\\Game\\", "c:\\game\\"}) list.AddFolder(folder);
  EXPECT_EQ(list.Folders().size(), 3u) << "folders keep their duplicates";
  // One index per list, and none for folders.
  EXPECT_FALSE(list.HasFile(entry) || list.HasRegistryEntry("C:\\X\\a.dat") || list.HasFile("C:\\Game\\"));
}

TEST(UninstallList, FilesAreComparedInTheirContractedForm) {
  TUninstallList list([](const std::string& path) {
    return path.rfind("C:\\Game\\", 0) == 0 ? "$INSTDIR\\" + path.substr(8) : path;
  });
  EXPECT_EQ(list.AddFile("C:\\Game\\a.dat"), AddResult::Added);
  EXPECT_EQ(list.AddFile("$INSTDIR\\A.DAT"), AddResult::AlreadyListed);
  EXPECT_EQ(list.Files(), Strings{"$INSTDIR\\a.dat"});
  EXPECT_TRUE(list.HasFile("$instdir\\a.dat"));
  EXPECT_FALSE(list.HasFile("C:\\Game\\a.dat"));  // HasFile takes the listed form
  list.AddFolder("C:\\Game\\");                   // folders are never converted
  EXPECT_EQ(list.Folders(), Strings{"C:\\Game\\"});
  list.Clear();
  EXPECT_TRUE(list.Files().empty() && list.Folders().empty() && !list.HasFile("$INSTDIR\\a.dat"));
}

TEST(UninstallList, AdditionsBeyondTheSixteenBitLimitsAreRefused) {
  TUninstallList list;
  EXPECT_EQ(list.AddFile(std::string(65536, 'x')), AddResult::TooLong);
  EXPECT_EQ(list.AddFolder(std::string(65536, 'x')), AddResult::TooLong);
  EXPECT_EQ(list.AddFile(std::string(65535, 'x')), AddResult::Added);
  for (int i = 1; i < 65535; ++i) list.AddFile("f" + std::to_string(i));
  EXPECT_EQ(list.AddFile("one too many"), AddResult::ListFull);
  EXPECT_EQ(list.AddFile("F1"), AddResult::AlreadyListed);
  ASSERT_EQ(list.Files().size(), 65535u);

  const InstallLogImage image = DecodeInstallLog(EncodeInstallLog(list.Lists()));
  EXPECT_TRUE(image.Complete);
  EXPECT_EQ(image.Lists.Files, list.Files());
}

// Catches: no wrap at 256 either way, a key that does not wrap to its first digit, an
// empty or non-digit key that fails instead of shifting by nothing, a byte value lost.
TEST(StringScramble, ShiftsEachCharacterByTheNextKeyDigit) {
  const struct { std::string key, plain, scrambled; } cases[] = {
      {"12", std::string("\xFF\xFE\x00", 3), std::string("\x00\x00\x01", 3)},  // 255 + 1 wraps to 0
      {"0123456789", "aaaaaaaaaaaa", "abcdefghijab"},                          // wraps to the first digit
      {"3141", "C:\\ab", "\x46\x3B\x60\x62\x65"},  // the example in docs/install-log.md
      {"", "abc", "abc"},                          // an empty key leaves the text alone
      {"1x2", "aaa", "bac"},                       // a non-digit key character shifts by 0
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeString(c.key, c.plain), c.scrambled) << c.key;
    EXPECT_EQ(DecodeString(c.key, c.scrambled), c.plain) << c.key;
  }
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(DecodeString("90", EncodeString("90", all)), all);
}

// The log as the format lays it out, with the log's key.
test::HandLog WriteByHand(const Lists& lists) { return test::InstallLogByHand(lists, UninstallLogKey); }

Lists ListsOf(const InstallLogLists& l) { return {l.Files, l.RegistryEntries, l.Folders}; }
Lists ListsOf(const TUninstallList& l) { return ListsOf(l.Lists()); }

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

class UninstallLog : public ::testing::Test {
 protected:
  void SetUp() override { platform::posix::SetSandboxRoot(dir_.Path()); }
  void TearDown() override { platform::posix::SetSandboxRoot(""); }
  // The local file behind a drive path.
  static std::string Local(const std::string& path) { return platform::posix::MapPath(path); }

  test::TempDir dir_;
  const Lists sample_ = {{"A", "$INSTDIR\\data\\game.dat", std::string(300, 'a'), ""},
                         {"\"HKLM\" \"Software\\Game\" \"Path\" \"$INSTDIR\""},
                         {"C:\\Game\\", "C:\\Game\\data\\", "C:\\Game\\"}};
};

TEST_F(UninstallLog, ForceDirectoriesRecordsEachFolderItCreatesAsBuilt) {
  const struct { std::string path; Strings recorded; } cases[] = {
      // Run in order, in one sandbox holding the folder C:\Old and the file C:\File.
      {"C:\\A\\B\\", {"C:\\A\\", "C:\\A\\B\\"}},
      {"C:\\A\\B\\", {}},  // all there now
      {"D:\\A\\B", {"D:\\A\\", "D:\\A\\B"}},
      {"C:\\Old\\New\\x", {"C:\\Old\\New\\", "C:\\Old\\New\\x"}},
      {"C:\\File\\Sub\\", {}},  // cannot be created below a file
      {"C:\\", {}},
      {"C:A\\B\\", {}},
      {"relative-fdl\\B\\", {}},
      {"\\\\server\\share\\dir\\", {}},
  };
  std::filesystem::create_directories(Local("C:\\Old"));
  test::WriteFileBytes(Local("C:\\File"), {1});
  for (const auto& c : cases) {
    TUninstallList list;
    ForceDirectoriesLogged(c.path, list);
    EXPECT_EQ(list.Folders(), c.recorded) << c.path;
    for (const std::string& folder : c.recorded) {
      EXPECT_TRUE(std::filesystem::is_directory(Local(folder))) << folder;
    }
  }
  EXPECT_FALSE(std::filesystem::exists("relative-fdl"));
}

TEST_F(UninstallLog, SavesTheLayoutByteForByteAndLoadsItBack) {
  std::filesystem::create_directories(Local("C:\\Game"));
  TUninstallList list;
  for (const auto& e : sample_[0]) list.AddFile(e);
  for (const auto& e : sample_[1]) list.AddRegistryEntry(e);
  for (const auto& e : sample_[2]) list.AddFolder(e);
  ASSERT_TRUE(list.Save("C:\\Game", "my_"));
  // The 300-character entry uses all 244 digits, then the first 56 again.
  EXPECT_EQ(test::ReadFileBytes(Local("C:\\Game\\my_install.log")), WriteByHand(sample_).bytes);

  TUninstallList loaded;
  loaded.AddFolder("left over");
  EXPECT_EQ(loaded.Load("C:\\Game", "my_"), LoadResult::Loaded);
  EXPECT_EQ(ListsOf(loaded), sample_);
  // The index is rebuilt from the file: a loaded file is found, case folded.
  EXPECT_EQ(loaded.AddFile("$instdir\\DATA\\game.dat"), AddResult::AlreadyListed);

  // Saving again over the file replaces it entirely, however long it was.
  test::WriteFileBytes(Local("C:\\Game\\my_install.log"), Bytes(5000, 0xAB));
  ASSERT_TRUE(TUninstallList().Save("C:\\Game\\", "my_"));  // a doubled backslash names the same file
  EXPECT_EQ(test::ReadFileBytes(Local("C:\\Game\\my_install.log")), Bytes(6, 0));
  EXPECT_EQ(loaded.Load("C:\\Game", "my_"), LoadResult::Loaded);
  EXPECT_EQ(ListsOf(loaded), Lists(3));

  // A missing log changes nothing; one that cannot be written reports failure.
  EXPECT_EQ(list.Load("C:\\Nowhere", "x_"), LoadResult::NotFound);
  EXPECT_EQ(ListsOf(list), sample_);
  EXPECT_FALSE(list.Save("C:\\Nowhere", ""));
}

TEST_F(UninstallLog, ShortLogsKeepEveryEntryReadInFull) {
  const test::HandLog full = WriteByHand(sample_);
  std::filesystem::create_directories(Local("C:\\Game"));
  for (size_t cut = 0; cut <= full.bytes.size(); ++cut) {
    const Bytes bytes(full.bytes.begin(), full.bytes.begin() + static_cast<long>(cut));
    size_t whole = 0;
    while (whole < full.ends.size() && full.ends[whole] <= cut) ++whole;
    const Lists expected = cut < 6 ? Lists(3) : Prefix(sample_, whole);

    const InstallLogImage image = DecodeInstallLog(bytes);
    EXPECT_EQ(image.Complete, cut == full.bytes.size()) << cut;
    EXPECT_EQ(image.HeaderComplete, cut >= 6) << cut;
    EXPECT_EQ(ListsOf(image.Lists), expected) << cut;

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

TEST(InstallLogBytes, DamagedCountsNeverReadBeyondTheBytesAndTrailingBytesAreCounted) {
  const InstallLogImage image = DecodeInstallLog(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0x00, 'a'});
  EXPECT_FALSE(image.Complete);
  EXPECT_EQ(image.Announced[0], 0xFFFF);
  EXPECT_TRUE(image.Lists.Files.empty());

  Bytes trailing = WriteByHand({{"f"}, {}, {}}).bytes;
  trailing.insert(trailing.end(), {1, 2, 3});
  EXPECT_TRUE(DecodeInstallLog(trailing).Complete);
  EXPECT_EQ(DecodeInstallLog(trailing).TrailingBytes, 3u);
}

TEST_F(UninstallLog, CountedStringsOnAnOpenFile) {
  const std::string path = "C:\\strings.bin";
  std::filesystem::create_directories(Local("C:\\"));
  platform::File file;
  ASSERT_TRUE(file.Open(path, platform::OpenMode::CreateAlways));
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
