// Started programs and the icon-image update of an executable against the real API.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/programs.h"
#include "platform/resources.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "test_support.h"

namespace setup::platform {
namespace {

std::optional<uint32_t> WaitForExit(const RunningProgram& program) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  std::optional<uint32_t> code = program.ExitCode();
  while (code == kStillActive && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    code = program.ExitCode();
  }
  return code;
}

// Catches: parameters not handed over, the process handle not asked for (no exit code
// to watch), a failed start reported as a running program, a released handle still
// answering.
TEST(Win32Programs, StartedProgramReportsItsExitCode) {
  RunningProgram program = StartProgram("cmd.exe", "/c exit 3");
  ASSERT_TRUE(program.IsValid());
  EXPECT_EQ(WaitForExit(program), 3u);
  program.Release();
  EXPECT_FALSE(program.IsValid());
  EXPECT_EQ(program.ExitCode(), std::nullopt);
  EXPECT_FALSE(StartProgram("C:\\no\\such\\program.exe", "").IsValid());
}

// The icon image with that identifier as the file now holds it; empty when it has none.
test::Bytes IconImage(const std::string& exePath, uint16_t id) {
  win32::UniqueModule module(LoadLibraryExW(win32::AnsiToWideString(exePath).c_str(), nullptr,
                                            LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return {};
  HRSRC found = FindResourceW(module.get(), MAKEINTRESOURCEW(id), RT_ICON);
  HGLOBAL loaded = found != nullptr ? LoadResource(module.get(), found) : nullptr;
  const auto* data = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (data == nullptr) return {};
  return test::Bytes(data, data + SizeofResource(module.get(), found));
}

// Catches: the image written under another type or identifier, an update not
// committed, a second update that drops the first image's neighbours, an empty image
// that deletes the resource.
TEST(Win32Resources, ReplaceIconImageCommitsTheNewImage) {
  test::TempDir dir;
  wchar_t module[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, module, MAX_PATH), 0u);
  const std::string exe = dir.Path("copy.exe");
  ASSERT_TRUE(CopyFileW(module, win32::AnsiToWideString(exe).c_str(), FALSE));

  const test::Bytes first = test::RandomBytes(744, 1);
  const test::Bytes second = test::RandomBytes(1128, 2);
  const test::Bytes other = test::RandomBytes(300, 3);
  ASSERT_TRUE(ReplaceIconImage(exe, 1, first));  // added when the file has none
  ASSERT_TRUE(ReplaceIconImage(exe, 2, other));
  EXPECT_EQ(IconImage(exe, 1), first);
  ASSERT_TRUE(ReplaceIconImage(exe, 1, second));
  EXPECT_EQ(IconImage(exe, 1), second);
  EXPECT_EQ(IconImage(exe, 2), other);

  EXPECT_FALSE(ReplaceIconImage(exe, 1, test::Bytes()));
  EXPECT_EQ(IconImage(exe, 1), second);
  EXPECT_FALSE(ReplaceIconImage(dir.Path("missing.exe"), 1, first));
}

}  // namespace
}  // namespace setup::platform
