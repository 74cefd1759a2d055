// What only the posix stand-ins do, on which the native install-run tests build: hidden
// entries and links in listings, started programs, number values in the registry's
// contents; and the common exit handler. What they promise as the Windows services do:
// platform_contract_test.cpp.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "platform/files.h"
#include "platform/posix/posix_controls.h"
#include "platform/posix/registry_posix.h"
#include "platform/process.h"
#include "platform/programs.h"
#include "platform/registry.h"
#include "platform_fixture.h"
#include "test_support.h"

namespace setup::platform {
namespace {

using PosixServices = PlatformTest;

// Catches: hidden entries missing from a listing, and a link to a folder outside the
// tree listed as a folder (a tree removal would then empty it) or removed with what it
// leads to.
TEST_F(PosixServices, ListFolderShowsHiddenEntriesAndLinksAsFiles) {
  Write("C:\\t\\.hidden", "h");
  Write("C:\\outside\\keep.txt", "k");
  ASSERT_EQ(::symlink(posix::MapPath("C:\\outside").c_str(), posix::MapPath("C:\\t\\link").c_str()), 0);
  EXPECT_EQ(test::SortedListing("C:\\t"), (test::Listing{{".hidden", false}, {"link", false}}));
  EXPECT_TRUE(RemoveFile("C:\\t\\link"));
  EXPECT_TRUE(FileExists("C:\\outside\\keep.txt"));
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

// Catches: a case-blind lookup that is on by default (tests of exact behaviour would
// change), a folder's cached names not refreshed when someone else adds a file after a
// lookup, the layer's own creates, renames and removes not seen by the next lookup, a new
// file not created in the folder that matched, and a mounted folder not used.
TEST_F(PosixServices, CaseBlindLookupFindsNamesAsWindowsDoesAndKeepsItsCacheCurrent) {
  Write("C:\\Test\\data\\main.kzp", "k");
  EXPECT_FALSE(FileExists("C:\\Test\\Data\\Main.kzp"));  // off by default
  posix::SetCaseBlindPaths(true);
  EXPECT_TRUE(FileExists("C:\\Test\\Data\\Main.KZP"));
  EXPECT_TRUE(DirectoryExists("c:\\TEST\\DATA"));
  EXPECT_FALSE(FileExists("C:\\Test\\Data\\Other.kzp"));  // the folder's names are cached now
  // Someone else adds a file: the folder's modification time tells (after a clock tick).
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  std::ofstream(posix::MapPath("C:\\Test\\data\\other.kzp")) << "o";
  EXPECT_TRUE(FileExists("C:\\Test\\Data\\Other.kzp"));
  // The layer's own changes, seen at once.
  File file;
  ASSERT_TRUE(file.Open("C:\\Test\\DATA\\New.txt", OpenMode::CreateAlways));
  file.Close();
  EXPECT_TRUE(std::filesystem::is_regular_file(posix::MapPath("C:\\Test\\data\\New.txt")));
  EXPECT_TRUE(FileExists("C:\\Test\\Data\\NEW.TXT"));
  EXPECT_TRUE(RenameFile("C:\\Test\\Data\\new.txt", "C:\\Test\\Data\\Renamed.txt"));
  EXPECT_FALSE(FileExists("C:\\Test\\Data\\new.txt"));
  EXPECT_TRUE(FileExists("C:\\Test\\DATA\\renamed.TXT"));
  EXPECT_TRUE(RemoveFile("c:\\test\\data\\RENAMED.txt"));
  EXPECT_FALSE(FileExists("C:\\Test\\Data\\Renamed.txt"));
  EXPECT_TRUE(CreateDirectoryTree("C:\\Test\\Data\\Sub\\Deeper"));
  EXPECT_TRUE(DirectoryExists("C:\\TEST\\data\\sub\\DEEPER"));
  EXPECT_EQ(test::SortedListing("C:\\TEST\\DATA").size(), 3u);  // main.kzp, other.kzp, Sub
  posix::SetCaseBlindPaths(false);
  EXPECT_FALSE(FileExists("C:\\Test\\Data\\Main.kzp"));

  // A mounted folder: drive paths below it go to a host folder.
  const std::string host = posix::MapPath("C:\\Test\\host");
  std::filesystem::create_directories(host);
  posix::MountFolder("c:\\Game\\", host);
  Write("C:\\GAME\\x.txt", "x");
  EXPECT_TRUE(std::filesystem::is_regular_file(host + "/x.txt"));
  EXPECT_FALSE(FileExists("C:\\Gamer\\x.txt"));  // a prefix counts at a "\\" only
  posix::UnmountFolders();
  EXPECT_FALSE(FileExists("C:\\Game\\x.txt"));
}

// Catches: keys made by an open that failed, number values missing from the contents
// tests inspect or shown as text.
TEST_F(PosixServices, RegistryContentsShowWhatWasWrittenAndNothingElse) {
  RegistryKey key;
  EXPECT_FALSE(key.Open(kHkeyLocalMachine, "Software\\A"));
  EXPECT_TRUE(posix::RegistryContents().empty());
  ASSERT_TRUE(key.Create(kHkeyCurrentUser, Key()));
  ASSERT_TRUE(key.WriteDword("Count", 0xFFFFFFFEu));
  const auto items = posix::RegistryContents();
  const auto count = std::find_if(items.begin(), items.end(),
                                  [](const auto& item) { return item.isValue && item.valueName == "Count"; });
  ASSERT_NE(count, items.end());
  EXPECT_TRUE(count->isDword);
  EXPECT_EQ(count->data, "4294967294");
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
