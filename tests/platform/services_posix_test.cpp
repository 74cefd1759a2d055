// The posix stand-ins for files, shell links, started programs and registry number
// values, on which the native install-run tests build; and the common exit handler.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/posix/posix_controls.h"
#include "platform/posix/registry_posix.h"
#include "platform/programs.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "test_support.h"

namespace setup::platform {
namespace {

class PosixServices : public ::testing::Test {
 protected:
  void SetUp() override { posix::SetSandboxRoot(dir_.Path()); }
  void TearDown() override {
    posix::SetSandboxRoot("");
    posix::ResetRegistry();
  }
  // Writes text at a Windows-style path below the sandbox, creating its folder.
  void Write(const std::string& path, const std::string& text) {
    const std::string local = posix::MapPath(path);
    std::filesystem::create_directories(std::filesystem::path(local).parent_path());
    test::WriteFileBytes(local, test::ToBytes(text));
  }
  std::string Read(const std::string& path) {
    const test::Bytes bytes = test::ReadFileBytes(posix::MapPath(path));
    return std::string(bytes.begin(), bytes.end());
  }

  test::TempDir dir_;
};

// Catches: a copy that refuses to replace, a rename that silently replaces (the Windows
// move refuses), a folder removal that takes its contents along.
TEST_F(PosixServices, CopyRenameAndRemoveFolderFollowTheWindowsRules) {
  Write("C:\\a\\one.txt", "one");
  Write("C:\\a\\two.txt", "two");
  EXPECT_FALSE(RenameFile("C:\\a\\one.txt", "C:\\a\\two.txt"));
  EXPECT_EQ(Read("C:\\a\\two.txt"), "two");
  EXPECT_TRUE(CopyFileReplacing("C:\\a\\one.txt", "C:\\a\\two.txt"));
  EXPECT_EQ(Read("C:\\a\\two.txt"), "one");
  EXPECT_FALSE(CopyFileReplacing("C:\\a\\missing.txt", "C:\\a\\three.txt"));
  EXPECT_FALSE(CopyFileReplacing("C:\\a", "C:\\copy"));

  ASSERT_TRUE(CreateDirectoryTree("C:\\b"));
  EXPECT_TRUE(RenameFile("C:\\a\\one.txt", "C:\\b\\moved.txt"));
  EXPECT_FALSE(FileExists("C:\\a\\one.txt"));
  EXPECT_EQ(Read("C:\\b\\moved.txt"), "one");

  EXPECT_FALSE(RemoveFolder("C:\\b"));  // not empty
  EXPECT_TRUE(FileExists("C:\\b\\moved.txt"));
  EXPECT_FALSE(RemoveFolder("C:\\b\\moved.txt"));  // a file
  EXPECT_TRUE(RemoveFile("C:\\b\\moved.txt"));
  EXPECT_TRUE(RemoveFolder("C:\\b\\"));
  EXPECT_FALSE(DirectoryExists("C:\\b"));
}

// Catches: hidden entries or "."/".." mishandled, the folder flag wrong, and a link to
// a folder outside the tree listed as a folder (a tree removal would then empty it).
TEST_F(PosixServices, ListFolderShowsEveryEntryAndLinksAsFiles) {
  Write("C:\\t\\.hidden", "h");
  Write("C:\\t\\plain.txt", "p");
  Write("C:\\t\\sub\\inner.txt", "i");
  Write("C:\\outside\\keep.txt", "k");
  ASSERT_EQ(::symlink(posix::MapPath("C:\\outside").c_str(), posix::MapPath("C:\\t\\link").c_str()), 0);

  std::vector<std::pair<std::string, bool>> listing;  // name, folder flag
  for (const FolderEntry& entry : ListFolder("C:\\t")) listing.emplace_back(entry.name, entry.isFolder);
  std::sort(listing.begin(), listing.end());
  EXPECT_EQ(listing,
            (decltype(listing){{".hidden", false}, {"link", false}, {"plain.txt", false}, {"sub", true}}));
  EXPECT_TRUE(RemoveFile("C:\\t\\link"));
  EXPECT_TRUE(FileExists("C:\\outside\\keep.txt"));
  EXPECT_TRUE(ListFolder("C:\\t\\plain.txt").empty());
}

// Catches: a property lost or swapped in the round trip, a value with a line break or
// "%" that splits or changes, a save into a missing folder reported as done.
TEST_F(PosixServices, ShellLinkRoundTrip) {
  ASSERT_TRUE(CreateDirectoryTree("C:\\Links"));
  const ShellLink link{"C:\\Program Files\\App\\app.exe", "-x \"%1\" 100%0A\nnext",
                       "C:\\Program Files\\App\\", "C:\\icons\\a=b.ico", 3};
  ComponentObjectScope scope;
  ASSERT_TRUE(SaveShellLink("C:\\Links\\App.lnk", link));
  const std::optional<ShellLink> loaded = LoadShellLink("C:\\Links\\App.lnk");
  ASSERT_TRUE(loaded.has_value());
  const auto fields = [](const ShellLink& l) {
    return std::tie(l.target, l.arguments, l.workingFolder, l.iconPath, l.iconIndex);
  };
  EXPECT_EQ(fields(*loaded), fields(link));

  EXPECT_FALSE(SaveShellLink("C:\\NoFolder\\App.lnk", link));
  EXPECT_FALSE(LoadShellLink("C:\\Links\\Missing.lnk").has_value());
  Write("C:\\Links\\Bad.lnk", "not a link\n");
  EXPECT_FALSE(LoadShellLink("C:\\Links\\Bad.lnk").has_value());
}

// Catches: parameters split inside quotes, quotes kept, an empty quoted argument
// dropped, the exit status not reported or not kept once the process is reaped, a drive
// path not mapped into the sandbox, a failed start reported as a running program.
TEST_F(PosixServices, StartedProgramsReportTheirExitCode) {
  RunningProgram shell = StartProgram("/bin/sh", "-c \"exit 3\"");
  ASSERT_TRUE(shell.IsValid());
  EXPECT_EQ(test::WaitForExit(shell), 3u);
  EXPECT_EQ(shell.ExitCode(), 3u);  // kept after the process was reaped
  shell.Release();
  EXPECT_FALSE(shell.IsValid());
  EXPECT_EQ(shell.ExitCode(), std::nullopt);

  // sh counts the arguments after $0 ("zero"): "a b", "" and "c".
  RunningProgram counted = StartProgram("sh", "-c \"exit $#\" zero \"a b\"  \"\" c");
  ASSERT_TRUE(counted.IsValid());
  EXPECT_EQ(test::WaitForExit(counted), 3u);

  Write("C:\\Tools\\run.sh", "#!/bin/sh\nexit 7\n");
  ASSERT_EQ(::chmod(posix::MapPath("C:\\Tools\\run.sh").c_str(), 0755), 0);
  RunningProgram script = StartProgram("C:\\Tools\\run.sh", "");
  ASSERT_TRUE(script.IsValid());
  EXPECT_EQ(test::WaitForExit(script), 7u);

  EXPECT_FALSE(StartProgram("C:\\Tools\\missing.exe", "").IsValid());
  EXPECT_FALSE(StartProgram("no-such-program-anywhere", "").IsValid());
}

// Catches: a number value read back as text or text as a number, a rewrite that keeps
// the old type, number values missing from the contents tests inspect.
TEST_F(PosixServices, RegistryKeepsNumbersAndTextApart) {
  RegistryKey key;
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, "Software\\Test"));
  EXPECT_TRUE(key.WriteDword("Count", 0xFFFFFFFEu));
  EXPECT_TRUE(key.WriteString("Name", "12"));
  EXPECT_EQ(key.ReadDword("count"), 0xFFFFFFFEu);
  EXPECT_EQ(key.ReadString("Count"), std::nullopt);
  EXPECT_EQ(key.ReadDword("Name"), std::nullopt);
  EXPECT_EQ(key.ReadString("Name"), "12");

  const auto items = posix::RegistryContents();
  const auto count = std::find_if(items.begin(), items.end(),
                                  [](const auto& item) { return item.isValue && item.valueName == "Count"; });
  ASSERT_NE(count, items.end());
  EXPECT_TRUE(count->isDword);
  EXPECT_EQ(count->data, "4294967294");

  EXPECT_TRUE(key.WriteString("COUNT", "text now"));
  EXPECT_EQ(key.ReadDword("Count"), std::nullopt);
  EXPECT_EQ(key.ReadString("Count"), "text now");

  ASSERT_TRUE(DeleteRegistryKey(kHkeyCurrentUser, "Software\\Test"));
  EXPECT_FALSE(key.WriteDword("Count", 1));
  EXPECT_FALSE(RegistryKey().WriteDword("x", 1));
}

// Catches: an exit that ignores the installed handler, a handler that is not handed
// back when replaced.
TEST(ExitHandler, ThrowingHandlerTurnsAnExitIntoAnException) {
  struct ExitRequested {
    uint32_t code;
  };
  ExitHandler previous = SetExitHandler([](uint32_t code) { throw ExitRequested{code}; });
  uint32_t seen = 0;
  try {
    ExitProcess(7);
  } catch (const ExitRequested& e) {
    seen = e.code;
  }
  EXPECT_TRUE(static_cast<bool>(SetExitHandler(std::move(previous))));
  EXPECT_EQ(seen, 7u);
}

}  // namespace
}  // namespace setup::platform
