// Process services, started programs, an executable's icon images, the machine facts
// and the clock through the Windows API.
#include <windows.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/os_version.h"
#include "platform/process.h"
#include "platform/programs.h"
#include "platform/resources.h"
#include "platform/system_info.h"
#include "win32_test_support.h"

namespace setup::platform {
namespace {

// Catches: a relative, truncated or wide-garbled module path.
TEST(Win32Process, ModuleFileNameIsThisProgramsFullPath) {
  const std::string path = ModuleFileName();
  EXPECT_EQ(path.substr(1, 2), ":\\") << path;
  EXPECT_EQ(AnsiLowerCase(path.substr(path.find_last_of('\\') + 1)), "platform_win32_test.exe");
  EXPECT_TRUE(FileExists(path));
}

constexpr const char* kEchoFileVariable = "SETUP_TEST_ECHO_FILE";

// Runs only as the child of the test below: writes its arguments, one a line, and
// ends with exit code 3.
TEST(Win32ProcessChild, DISABLED_EchoArguments) {
  char file[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableA(kEchoFileVariable, file, MAX_PATH), 0u);
  std::string text;
  for (const std::string& argument : CommandLineArguments()) text += argument + "\n";
  {
    File out;
    ASSERT_TRUE(out.Open(file, OpenMode::CreateAlways));
    ASSERT_TRUE(out.Write(text.data(), text.size()));
  }
  ::ExitProcess(3);
}

// Catches: parameters not handed to a started program, its process handle not asked
// for (no exit code to watch), a failed start reported as a running program, a
// released handle still answering; in the child, the program name counted as an
// argument, quotes or backslashes parsed by hand, the wrong code page.
TEST(Win32Process, StartedProgramGetsItsArgumentsAndReportsItsExitCode) {
  // A child that did not get its arguments runs every test: it must not start another.
  if (GetEnvironmentVariableA(kEchoFileVariable, nullptr, 0) != 0) GTEST_SKIP() << "started as a child";
  test::TempDir dir;
  const std::string echoFile = dir.Path("arguments.txt");
  ASSERT_TRUE(SetEnvironmentVariableA(kEchoFileVariable, echoFile.c_str()));
  RunningProgram child = StartProgram(ModuleFileName(),
                                      "--gtest_also_run_disabled_tests"
                                      " --gtest_filter=Win32ProcessChild.DISABLED_EchoArguments"
                                      " \"two words\" \"a \\\"quoted\\\" word\" C:\\a\\b\\ caf\xE9");
  ASSERT_TRUE(child.IsValid());
  EXPECT_EQ(test::WaitForExit(child), 3u);
  SetEnvironmentVariableA(kEchoFileVariable, nullptr);
  child.Release();
  EXPECT_FALSE(child.IsValid());
  EXPECT_EQ(child.ExitCode(), std::nullopt);
  EXPECT_FALSE(StartProgram("C:\\no\\such\\program.exe", "").IsValid());

  if (GetACP() != 1252) GTEST_SKIP() << "the expected text is Windows-1252";
  const test::Bytes echoed = test::ReadFileBytes(echoFile);
  EXPECT_EQ(std::string(echoed.begin(), echoed.end()),
            "--gtest_also_run_disabled_tests\n"
            "--gtest_filter=Win32ProcessChild.DISABLED_EchoArguments\n"
            "two words\n"
            "a \"quoted\" word\n"
            "C:\\a\\b\\\n"
            "caf\xE9\n");
}

// Catches: the image written under another type or identifier, an update not
// committed, a second update that drops the first image's neighbours, an empty image
// that deletes the resource.
TEST(Win32Resources, ReplaceIconImageCommitsTheNewImage) {
  test::TempDir dir;
  const std::string exe = dir.Path("copy.exe");
  ASSERT_TRUE(CopyFileReplacing(ModuleFileName(), exe));
  const test::Bytes first = test::RandomBytes(744, 1);
  const test::Bytes second = test::RandomBytes(1128, 2);
  const test::Bytes other = test::RandomBytes(300, 3);
  ASSERT_TRUE(ReplaceIconImage(exe, 1, first));  // added when the file has none
  ASSERT_TRUE(ReplaceIconImage(exe, 2, other));
  EXPECT_EQ(test::IconResource(exe, 1), first);
  ASSERT_TRUE(ReplaceIconImage(exe, 1, second));
  EXPECT_EQ(test::IconResource(exe, 1), second);
  EXPECT_EQ(test::IconResource(exe, 2), other);

  EXPECT_FALSE(ReplaceIconImage(exe, 1, test::Bytes()));
  EXPECT_EQ(test::IconResource(exe, 1), second);
  EXPECT_FALSE(ReplaceIconImage(dir.Path("missing.exe"), 1, first));
}

// Catches: the temporary folder without its final backslash (the report's path is
// built on it), cut or wide-garbled; the extended version query failing through a
// wrong structure size and falling back to the basic one; the memory figure lost.
TEST(Win32SystemInfo, TemporaryFolderAndVersionAreThoseTheSystemReports) {
  const std::string temp = TemporaryFolder();
  ASSERT_GE(temp.size(), 4u) << temp;
  EXPECT_EQ(temp.substr(1, 2), ":\\") << temp;
  EXPECT_EQ(temp.back(), '\\') << temp;
  EXPECT_TRUE(DirectoryExists(temp)) << temp;

  const OsVersion version = QueryOsVersion();
  EXPECT_TRUE(version.extended);
  EXPECT_EQ(version.platformId, kPlatformWin32Nt);
  EXPECT_GE(version.major, 5u);
  EXPECT_GT(version.build, 0u);
  EXPECT_NE(version.productType, 0);
  EXPECT_EQ(version.csdVersion.find('\0'), std::string::npos);

  EXPECT_GT(TotalPhysicalMemory(), uint64_t{64} << 20);
}

// Catches: priorities set on another thread or process, or not read back; a cycle
// counter or tick count that does not advance (the tick count may move in steps of
// about 16 ms, hence the margin).
TEST(Win32SystemInfo, PrioritiesRoundTripAndTheClocksAdvance) {
  const uint32_t priorityClass = ProcessPriorityClass();
  const int threadPriority = ThreadPriority();
  ASSERT_NE(priorityClass, 0u);
  EXPECT_TRUE(SetThreadPriority(kThreadPriorityTimeCritical));
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), kThreadPriorityTimeCritical);
  EXPECT_TRUE(SetThreadPriority(threadPriority));
  EXPECT_EQ(ThreadPriority(), threadPriority);
  EXPECT_TRUE(SetProcessPriorityClass(BELOW_NORMAL_PRIORITY_CLASS));
  EXPECT_EQ(ProcessPriorityClass(), static_cast<uint32_t>(BELOW_NORMAL_PRIORITY_CLASS));
  EXPECT_TRUE(SetProcessPriorityClass(priorityClass));

  const uint64_t cycles = TimeStampCounter();
  const uint32_t ticks = TickCount();
  SleepMs(100);
  EXPECT_GT(TimeStampCounter() - cycles, uint64_t{100} * 10000);  // more than 10 MHz
  EXPECT_GE(TickCount() - ticks, 70u);
}

// Catches: a measuring thread left off the first processor or not given back its own
// processors, a processor count that ignores the process's mask, a decimal separator
// left to the user's locale.
TEST(Win32SystemInfo, StartUpSettingsTakeEffect) {
  DWORD_PTR processMask = 0;
  DWORD_PTR systemMask = 0;
  ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask));
  SetThreadAffinityMask(GetCurrentThread(), processMask);
  {
    const FirstProcessorScope scope;
    EXPECT_EQ(SetThreadAffinityMask(GetCurrentThread(), 1), static_cast<DWORD_PTR>(1));
  }
  EXPECT_EQ(SetThreadAffinityMask(GetCurrentThread(), processMask), processMask);
  EXPECT_EQ(ProcessorCount(), static_cast<unsigned>(__builtin_popcountll(processMask)));

  char text[16];
  if (std::setlocale(LC_NUMERIC, "German_Germany.1252") != nullptr) {
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    EXPECT_STREQ(text, "1,5") << "the German locale should use a comma";
  }
  UseDotDecimalSeparator();
  std::snprintf(text, sizeof text, "%.1f", 1.5);
  EXPECT_STREQ(text, "1.5");
}

}  // namespace
}  // namespace setup::platform
