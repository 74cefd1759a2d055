// The uninstaller's icon against the real resource update: ChangeIcon on a copied
// executable, and a whole build whose icon change must not lose the appended package.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/registry.h"
#include "script/setup_context.h"
#include "uninstall/uninstaller_builder.h"
#include "win32_test_support.h"

namespace setup::test {
namespace {

std::string OwnExecutable() {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  return platform::win32::WideStringToAnsi(module);
}

// Catches: the image taken from the wrong place of the icon file, the update not
// committed, a short or lying icon file read out of bounds or half applied.
TEST(Win32ChangeIcon, ReplacesTheFirstImageFromTheIconFile) {
  TempDir dir;
  const std::string exe = dir.Path("copy.exe");
  ASSERT_TRUE(CopyFileW(platform::win32::AnsiToWideString(OwnExecutable()).c_str(),
                        platform::win32::AnsiToWideString(exe).c_str(), FALSE));
  const Bytes image = SolidIconImage(1, 1, 32, 0xFF336699);
  const std::string icon = dir.Path("good.ico");
  WriteFileBytes(icon, IconFile(image));
  ASSERT_TRUE(ChangeIcon(icon, exe));
  EXPECT_EQ(IconResource(exe, 1), image);

  struct Bad {
    const char* what;
    Bytes file;
  };
  const Bytes other = SolidIconImage(1, 1, 32, 0xFF000000);
  const uint32_t size = static_cast<uint32_t>(other.size());
  const std::vector<Bad> bad = {
      {"short header", Bytes{0, 0, 1, 0, 1, 0, 1, 1}},
      {"size past the end", IconFile(other, size + 1, 22)},
      {"offset past the end", IconFile(other, size, 22 + size)},
      {"offset wraps", IconFile(other, size, 0xFFFFFFF0u)},
      {"empty image", IconFile(other, 0, 22)},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.what);
    const std::string path = dir.Path("bad.ico");
    WriteFileBytes(path, b.file);
    EXPECT_FALSE(ChangeIcon(path, exe));
    EXPECT_EQ(IconResource(exe, 1), image);
  }
  EXPECT_FALSE(ChangeIcon(dir.Path("missing.ico"), exe));
}

// Catches: the icon changed after the package was appended (the resource update
// rewrites the file and drops it), temporary files left behind.
TEST(Win32BuildUninstaller, IconChangeKeepsTheAppendedPackage) {
  TempDir dir;
  const Bytes image = SolidIconImage(1, 1, 32, 0xFF00AA00);
  const Bytes icon = IconFile(image);
  const std::string setupFile = dir.Path("setup.bin");
  // The running executable followed by a package: its data start is the image length.
  WriteFileBytes(setupFile, BuildRawPackage({{"UNINSTALL_ICON.ICO", 0, icon},
                                             {"UNINSTALL_Pages.txt", 0, ToBytes("pages")}},
                                            ReadFileBytes(OwnExecutable()))
                                .bytes);
  SetupContext context;
  ASSERT_TRUE(context.Package.Create(setupFile));
  context.SetupInfo.ShortName = "Setup Builder Test " + std::to_string(GetCurrentProcessId());
  context.SetupInfo.UninstallExeName = "Uninstall.exe";
  context.SetupInfo.InstallDir = dir.Path("Product");
  BuildUninstaller(context);

  const std::string target = dir.Path("Product\\Uninstall.exe");
  EXPECT_EQ(IconResource(target, 1), image);
  TPak built;
  ASSERT_TRUE(built.Create(target));
  ASSERT_EQ(built.Count(), 2u);
  EXPECT_EQ(built.Entries()[0].Name, "Pages.txt");
  EXPECT_EQ(built.ExtractEntry(0), ToBytes("pages"));
  EXPECT_EQ(built.Entries()[1].Name, "SetupInfo");
  built.Close();

  const std::string temp = std::filesystem::temp_directory_path().string();
  EXPECT_FALSE(std::filesystem::exists(temp + "\\icon.ico"));
  EXPECT_FALSE(std::filesystem::exists(temp + "\\SIF.temp"));
  const std::string key = std::string(kUninstallKeyPath) + context.SetupInfo.ShortName;
  EXPECT_TRUE(platform::DeleteRegistryKey(platform::kHkeyLocalMachine, key));
}

}  // namespace
}  // namespace setup::test
