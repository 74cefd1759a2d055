// Special folders, the environment block, the logical drives and the shell link's icon
// location against the real Windows API (under Wine: C: and Z: are fixed drives, there
// is no CD-ROM drive).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "base/errors.h"
#include "platform/codepage.h"
#include "platform/drives.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "script/path_variables.h"
#include "test_support.h"

namespace setup::platform {
namespace {

bool IsDrivePath(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         path[2] == '\\';
}

// Catches: the item list not turned into a path (or freed before), the wrong lookup
// for a folder, a trailing NUL or backslash left in the text, a failed lookup that
// returns garbage instead of nothing.
TEST(ShellWin32, SpecialFoldersAreExistingDrivePaths) {
  for (int csidl : {kFolderDesktop, kFolderPrograms, kFolderProgramFiles}) {
    const std::string path = SpecialFolderLocation(csidl);
    EXPECT_TRUE(IsDrivePath(path)) << csidl << ": " << path;
    EXPECT_NE(path.back(), '\\') << path;
    EXPECT_EQ(path.find('\0'), std::string::npos) << csidl;
    EXPECT_TRUE(DirectoryExists(path)) << path;
  }
  const std::string appData = SpecialFolderPath(kFolderAppData);
  EXPECT_TRUE(IsDrivePath(appData)) << appData;
  EXPECT_EQ(SpecialFolderLocation(kFolderProgramFiles), SpecialFolderPath(kFolderProgramFiles));
  EXPECT_EQ(SpecialFolderLocation(0x7F), "");  // no such folder
  EXPECT_EQ(SpecialFolderPath(0x7F), "");
}

// Catches: strings split at the wrong place, the last string or a string's last
// character lost, the block not walked to its end.
TEST(ShellWin32, EnvironmentBlockHoldsTheProcessVariables) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"SETUP_TEST_ADDED", L"x=y"));
  const std::vector<std::string> strings = EnvironmentStrings();
  ASSERT_GT(strings.size(), 2u);

  const TEnvironmentTable table = ParseEnvironmentBlock(strings);
  const auto find = [&](const std::string& name) {
    return std::find_if(table.begin(), table.end(), [&](const auto& pair) {
      return AnsiLowerCase(pair.first) == AnsiLowerCase(name);
    });
  };
  const auto path = find("PATH");
  ASSERT_NE(path, table.end());
  wchar_t expected[32768] = {};
  GetEnvironmentVariableW(L"PATH", expected, 32768);
  EXPECT_EQ(AnsiToWide(path->second), std::u16string(reinterpret_cast<const char16_t*>(expected)));
  const auto added = find("SETUP_TEST_ADDED");
  ASSERT_NE(added, table.end());
  EXPECT_EQ(added->second, "x=y");
}

// Catches: roots cut at the wrong place, the system's kinds mapped to the wrong values,
// a list that does not fit taken as a shorter one instead of raising; a free-space
// query whose failure reads as 0 bytes, or whose answer is dropped.
TEST(ShellWin32, DrivesListCIsFixed) {
  EXPECT_GT(FreeDiskSpace("C:\\").value_or(0), 0u);
  EXPECT_EQ(FreeDiskSpace("Q:\\"), std::nullopt);
  const std::vector<std::string> roots = LogicalDriveRoots(kDriveListCapacity);
  EXPECT_NE(std::find(roots.begin(), roots.end(), "C:\\"), roots.end());
  for (const std::string& root : roots) EXPECT_EQ(root.size(), 3u) << root;
  EXPECT_EQ(DriveTypeOf("C:\\"), DriveType::Fixed);
  EXPECT_NE(test::ErrorOf([] { LogicalDriveRoots(3); }), "") << "a list longer than 3 characters was accepted";
}

// Catches: an icon location set when none was given (the link header's flags, u32 at
// offset 20, mark one with bit 0x40). What links hold in both builds:
// platform_contract_test.cpp.
TEST(ShellWin32, OnlyALinkWithAnIconNamesAnIconLocation) {
  ComponentObjectScope scope;
  test::TempDir dir;
  const std::string target = ModuleFileName();
  const std::string folder = target.substr(0, target.rfind('\\') + 1);
  const auto iconFlag = [&](const std::string& name, const ShellLink& link) {
    EXPECT_TRUE(SaveShellLink(dir.Path(name), link)) << name;
    const test::Bytes bytes = test::ReadFileBytes(dir.Path(name));
    return bytes.size() > 24 && (bytes[20] & 0x40) != 0;
  };
  EXPECT_TRUE(iconFlag("with.lnk", {target, "", folder, folder + "icon.ico", 2}));
  EXPECT_FALSE(iconFlag("plain.lnk", {target, "", folder, "", 0}));
}

}  // namespace
}  // namespace setup::platform
