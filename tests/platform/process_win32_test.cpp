// Process services, system settings and the clock through the Windows API.
#include <windows.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system_info.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "test_support.h"

namespace setup::platform {
namespace {

struct ExitRequested {
  uint32_t code;
};

// Catches: an exit that ignores the installed handler, and a handler that is not
// handed back when replaced.
TEST(Win32Process, ExitHandlerThatThrowsTurnsAnExitIntoAnException) {
  ExitHandler previous = SetExitHandler([](uint32_t code) { throw ExitRequested{code}; });
  uint32_t seen = 0;
  try {
    ExitProcess(7);
  } catch (const ExitRequested& e) {
    seen = e.code;
  }
  ExitHandler ours = SetExitHandler(std::move(previous));
  EXPECT_EQ(seen, 7u);
  EXPECT_TRUE(static_cast<bool>(ours));
}

// Catches: a relative, truncated or wide-garbled module path.
TEST(Win32Process, ModuleFileNameIsThisProgramsFullPath) {
  const std::string path = ModuleFileName();
  EXPECT_EQ(path.substr(1, 2), ":\\") << path;
  EXPECT_EQ(AnsiLowerCase(path.substr(path.find_last_of('\\') + 1)), "platform_win32_test.exe");
  EXPECT_TRUE(FileExists(path));
}

constexpr const char* kEchoFileVariable = "SETUP_TEST_ECHO_FILE";

// Runs only as the child of the test below: writes its arguments, one a line.
TEST(Win32ProcessChild, DISABLED_EchoArguments) {
  char file[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableA(kEchoFileVariable, file, MAX_PATH), 0u);
  std::string text;
  for (const std::string& argument : CommandLineArguments()) text += argument + "\n";
  File out;
  ASSERT_TRUE(out.Open(file, OpenMode::CreateExclusive));
  ASSERT_TRUE(out.Write(text.data(), text.size()));
}

// Catches: the program name counted as an argument, quotes or backslashes parsed by
// hand, arguments converted with the wrong code page.
TEST(Win32Process, CommandLineArgumentsAreTheArgumentsAfterTheProgram) {
  if (GetACP() != 1252) GTEST_SKIP() << "the expected text is Windows-1252";
  test::TempDir dir;
  const std::string echoFile = dir.Path("arguments.txt");
  const std::wstring self = win32::AnsiToWideString(ModuleFileName());
  const std::wstring commandLine =
      L"\"" + self + L"\" --gtest_also_run_disabled_tests"
      L" --gtest_filter=Win32ProcessChild.DISABLED_EchoArguments"
      L" \"two words\" \"a \\\"quoted\\\" word\" C:\\a\\b\\ caf\u00E9";
  ASSERT_TRUE(SetEnvironmentVariableA(kEchoFileVariable, echoFile.c_str()));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring mutableLine = commandLine;
  ASSERT_TRUE(
      CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  win32::UniqueKernelHandle processHandle(process.hProcess);
  win32::UniqueKernelHandle threadHandle(process.hThread);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  SetEnvironmentVariableA(kEchoFileVariable, nullptr);

  const test::Bytes echoed = test::ReadFileBytes(echoFile);
  EXPECT_EQ(std::string(echoed.begin(), echoed.end()),
            "--gtest_also_run_disabled_tests\n"
            "--gtest_filter=Win32ProcessChild.DISABLED_EchoArguments\n"
            "two words\n"
            "a \"quoted\" word\n"
            "C:\\a\\b\\\n"
            "caf\xE9\n");
}

// Catches: a mask other than the first processor.
TEST(Win32SystemInfo, RestrictToFirstProcessorLeavesOnlyTheFirst) {
  RestrictToFirstProcessor();
  DWORD_PTR processMask = 0;
  DWORD_PTR systemMask = 0;
  ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask));
  EXPECT_EQ(processMask, static_cast<DWORD_PTR>(1));
  SetProcessAffinityMask(GetCurrentProcess(), systemMask);
}

// Catches: a decimal separator left to the user's locale.
TEST(Win32SystemInfo, NumbersUseAFullStopAfterUseDotDecimalSeparator) {
  if (std::setlocale(LC_NUMERIC, "German_Germany.1252") != nullptr) {
    char comma[16];
    std::snprintf(comma, sizeof comma, "%.1f", 1.5);
    EXPECT_STREQ(comma, "1,5") << "the German locale should use a comma";
  }
  UseDotDecimalSeparator();
  char text[16];
  std::snprintf(text, sizeof text, "%.2f", 1234.5);
  EXPECT_STREQ(text, "1234.50");
}

// The tick counter may advance in steps of about 16 ms, hence the margin.
TEST(Win32Clock, SleepAdvancesTheTickCount) {
  const uint32_t start = TickCount();
  SleepMs(100);
  EXPECT_GE(TickCount() - start, 70u);
}

}  // namespace
}  // namespace setup::platform
