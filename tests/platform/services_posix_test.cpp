// What only the posix stand-ins do, on which the native install-run tests build: hidden
// entries and links in listings, started programs, number values in the registry's
// contents; and the common exit handler. What they promise as the Windows services do:
// platform_contract_test.cpp.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

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
