// The lists in memory: which additions count as duplicates (ASCII-only case folding,
// after the path-variable conversion), the 16-bit limits, and the folders that
// ForceDirectoriesLogged creates and records.
#include "uninstall/uninstall_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/posix_controls.h"
#include "test_support.h"

namespace setup {
namespace {

using Strings = std::vector<std::string>;

TEST(UninstallList, DuplicatesAreJudgedWithAsciiFoldingOnly) {
  enum Kind { File, Registry, Folder };
  struct Case {
    Kind kind;
    Strings added, kept;
  };
  const Case cases[] = {
      {File, {"C:\\Games\\X\\a.dat", "c:\\games\\x\\A.DAT"}, {"C:\\Games\\X\\a.dat"}},
      // Windows-1252 capital and small A with diaeresis are different files here.
      {File,
       {"C:\\Spiele\\\xC4.dat", "C:\\Spiele\\\xE4.dat"},
       {"C:\\Spiele\\\xC4.dat", "C:\\Spiele\\\xE4.dat"}},
      {File, {"C:\\a[", "C:\\A{"}, {"C:\\a[", "C:\\A{"}},  // '[' is not 'Z' + 1 folded
      {Registry,
       {"\"HKLM\" \"Software\\Game\" \"Path\" \"C:\\Game\"",
        "\"hklm\" \"SOFTWARE\\game\" \"path\" \"c:\\game\""},
       {"\"HKLM\" \"Software\\Game\" \"Path\" \"C:\\Game\""}},
      {Folder, {"C:\\Game\\", "C:\\Game\\", "c:\\game\\"}, {"C:\\Game\\", "C:\\Game\\", "c:\\game\\"}},
  };
  for (const Case& c : cases) {
    TUninstallList list;
    for (const std::string& s : c.added) {
      if (c.kind == File) list.AddFile(s);
      if (c.kind == Registry) list.AddRegistryEntry(s);
      if (c.kind == Folder) list.AddFolder(s);
    }
    const Strings& kept = c.kind == File       ? list.Files()
                          : c.kind == Registry ? list.RegistryEntries()
                                               : list.Folders();
    EXPECT_EQ(kept, c.kept) << c.added[0];
    for (const std::string& s : c.added) {
      EXPECT_EQ(c.kind == File && list.HasFile(s), c.kind == File) << s;
      EXPECT_EQ(c.kind == Registry && list.HasRegistryEntry(s), c.kind == Registry) << s;
    }
  }
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

class ForceDirectories : public ::testing::Test {
 protected:
  void SetUp() override { platform::posix::SetSandboxRoot(dir_.Path()); }
  void TearDown() override { platform::posix::SetSandboxRoot(""); }
  test::TempDir dir_;
};

TEST_F(ForceDirectories, RecordsEachFolderItCreatesAsBuilt) {
  struct Case {
    std::string path;
    Strings recorded;
  };
  // Run in order, in one sandbox holding the folder C:\Old and the file C:\File.
  const Case cases[] = {
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
  std::filesystem::create_directories(platform::posix::MapPath("C:\\Old"));
  test::WriteFileBytes(platform::posix::MapPath("C:\\File"), {1});
  for (const Case& c : cases) {
    TUninstallList list;
    ForceDirectoriesLogged(c.path, list);
    EXPECT_EQ(list.Folders(), c.recorded) << c.path;
    for (const std::string& folder : c.recorded) {
      EXPECT_TRUE(std::filesystem::is_directory(platform::posix::MapPath(folder))) << folder;
    }
  }
  EXPECT_FALSE(std::filesystem::exists("relative-fdl"));
}

}  // namespace
}  // namespace setup
