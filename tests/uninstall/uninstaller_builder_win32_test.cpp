// The uninstaller's icon against the real resource update: ChangeIcon on a copied
// executable, and a whole build whose icon change must not lose the appended package.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/registry.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "script/setup_context.h"
#include "test_support.h"
#include "uninstall/uninstaller_builder.h"

namespace setup::test {
namespace {

// The icon image with identifier 1 as the file now holds it; empty when it has none.
Bytes FirstIconImage(const std::string& exePath) {
  platform::win32::UniqueModule module(
      LoadLibraryExW(platform::win32::AnsiToWideString(exePath).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return {};
  HRSRC found = FindResourceW(module.get(), MAKEINTRESOURCEW(1), RT_ICON);
  HGLOBAL loaded = found != nullptr ? LoadResource(module.get(), found) : nullptr;
  const auto* data = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (data == nullptr) return {};
  return Bytes(data, data + SizeofResource(module.get(), found));
}

// A 1x1 32-bit image as an icon file holds it: the bitmap header (height doubled for
// the mask), one colour pixel and one padded mask row.
Bytes OnePixelImage(uint32_t colour) {
  Bytes b;
  for (uint32_t value : {40u, 1u, 2u}) AppendU32(b, value);  // header size, width, height
  AppendU16(b, 1);                                           // planes
  AppendU16(b, 32);                                          // bits per pixel
  for (uint32_t value : {0u, 0u, 0u, 0u, 0u, 0u, colour, 0u}) AppendU32(b, value);  // ..., pixel, mask
  return b;
}

// An icon file of one image: header, directory entry (byte count at 14, offset at 18).
Bytes IconFile(const Bytes& image, uint32_t declaredSize, uint32_t declaredOffset) {
  Bytes b = {0, 0, 1, 0, 1, 0, 1, 1, 0, 0, 1, 0, 32, 0};
  AppendU32(b, declaredSize);
  AppendU32(b, declaredOffset);
  b.insert(b.end(), image.begin(), image.end());
  return b;
}

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
  const Bytes image = OnePixelImage(0xFF336699);
  const std::string icon = dir.Path("good.ico");
  WriteFileBytes(icon, IconFile(image, static_cast<uint32_t>(image.size()), 22));
  ASSERT_TRUE(ChangeIcon(icon, exe));
  EXPECT_EQ(FirstIconImage(exe), image);

  struct Bad {
    const char* what;
    Bytes file;
  };
  const Bytes other = OnePixelImage(0xFF000000);
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
    EXPECT_EQ(FirstIconImage(exe), image);
  }
  EXPECT_FALSE(ChangeIcon(dir.Path("missing.ico"), exe));
}

// Catches: the icon changed after the package was appended (the resource update
// rewrites the file and drops it), temporary files left behind.
TEST(Win32BuildUninstaller, IconChangeKeepsTheAppendedPackage) {
  TempDir dir;
  const Bytes image = OnePixelImage(0xFF00AA00);
  const Bytes icon = IconFile(image, static_cast<uint32_t>(image.size()), 22);
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
  EXPECT_EQ(FirstIconImage(target), image);
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
