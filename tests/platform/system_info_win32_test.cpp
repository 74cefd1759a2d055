// The machine facts the error report gives, against the real Windows API.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/os_version.h"
#include "platform/process.h"
#include "platform/system_info.h"

namespace setup::platform {
namespace {

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
// counter that does not advance.
TEST(Win32SystemInfo, PrioritiesRoundTripAndTheCycleCounterAdvances) {
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

  const uint64_t start = TimeStampCounter();
  SleepMs(50);
  EXPECT_GT(TimeStampCounter() - start, uint64_t{50} * 10000);  // more than 10 MHz
}

}  // namespace
}  // namespace setup::platform
