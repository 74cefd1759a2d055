// The "SetupInfo" record against bytes laid out by hand from its format: seven counted
// strings, five slots of (u8 root, counted Path, counted Key), two counted strings, two
// flag bytes. And the registry root index the slots use.
#include "script/setup_info.h"

#include <gtest/gtest.h>

#include <string>

#include "script/registry_roots.h"
#include "test_support.h"

namespace setup {
namespace {

using test::Bytes;

// Every slot used, one with a root index out of range (which the reader must keep).
const std::array<TInstallDirRegKey, 5> kSlots = {{{0, "Software\\Vendor\\Product", "Path"},
                                                  {1, "Software\\Product", "Dir"},
                                                  {2, "", ""},
                                                  {4, "K", "V"},
                                                  {7, "Odd", "Root"}}};

// A record with every field different.
TSetupInfoFile TypicalRecord() {
  TSetupInfoFile r;
  r.SetupName = "Product 2.1 Patch";
  r.ShortName = "Product";
  r.SetupExeName = "patch21.exe";
  r.UninstallExeName = "P_Uninstall.exe";
  r.UninstallPrefix = "P_";
  r.InstallDir = "$PROGRAMFILES\\Product\\";
  r.Changelog = "ChangeLog";
  r.InstallDirRegKey = kSlots;
  r.PagesName = "Pages";
  r.UninstallPagesName = "UPages";
  r.IsUninstaller = 1;
  r.CreateUninstaller = 0;
  return r;
}

Bytes TypicalBytes() {
  Bytes b;
  const auto counted = [&b](const std::string& text) { test::AppendCounted(b, text); };
  for (const char* text : {"Product 2.1 Patch", "Product", "patch21.exe", "P_Uninstall.exe", "P_",
                           "$PROGRAMFILES\\Product\\", "ChangeLog"}) {
    counted(text);
  }
  for (const TInstallDirRegKey& slot : kSlots) {
    b.push_back(slot.Root);
    counted(slot.Path);
    counted(slot.Key);
  }
  counted("Pages");
  counted("UPages");
  b.insert(b.end(), {1, 0});  // IsUninstaller, CreateUninstaller
  return b;
}

// Catches: fields missing, doubled, reordered or swapped; counts of the wrong width or
// byte order; a root index validated; trailing bytes refused or read into a field.
TEST(SetupInfoRecord, TypicalRecordMatchesItsBytesBothWays) {
  const Bytes bytes = TypicalBytes();
  EXPECT_EQ(TypicalRecord().Serialize(), bytes);
  Bytes padded = bytes;
  padded.insert(padded.end(), {0xFF, 0xFF, 0x12, 0x34});
  for (const Bytes& input : {bytes, padded}) {
    TSetupInfoFile loaded;
    ASSERT_TRUE(loaded.LoadFromBuffer(input));
    EXPECT_EQ(loaded.Serialize(), bytes);
  }
}

// Each cut is its own exactly sized buffer, so ASan sees an over-read; a failed read
// must leave the record as it was.
TEST(SetupInfoRecord, EveryTruncationFailsAndKeepsTheRecord) {
  const Bytes bytes = TypicalBytes();
  for (size_t length = 0; length < bytes.size(); ++length) {
    SCOPED_TRACE("length " + std::to_string(length));
    const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    TSetupInfoFile record;
    record.InstallDir = "C:\\Kept";
    record.CreateUninstaller = 1;
    EXPECT_FALSE(record.LoadFromBuffer(cut));
    EXPECT_EQ(record.InstallDir, "C:\\Kept");
    EXPECT_EQ(record.SetupName, "");
    EXPECT_EQ(record.CreateUninstaller, 1);
  }
}

// 0x80 and 0x100 catch a count read as signed or as one byte. An overlong string keeps
// the low 16 bits of its length, as count and as characters, so the record reads back.
TEST(SetupInfoRecord, LongCountsAndOverlongStrings) {
  for (const size_t length : {size_t{0x80}, size_t{0x100}, size_t{0xFFFF}, size_t{0x10003}}) {
    SCOPED_TRACE("length " + std::to_string(length));
    TSetupInfoFile record;
    record.Changelog = std::string(length, 'c');
    record.PagesName = "P";
    const Bytes stored = record.Serialize();
    const size_t kept = length & 0xFFFF;
    EXPECT_EQ(stored.size(), 46u + kept);
    EXPECT_EQ(stored[12], static_cast<uint8_t>(kept & 0xFF));  // Changelog's count
    EXPECT_EQ(stored[13], static_cast<uint8_t>(kept >> 8));
    TSetupInfoFile back;
    ASSERT_TRUE(back.LoadFromBuffer(stored));
    EXPECT_EQ(back.Changelog, std::string(kept, 'c'));
    EXPECT_EQ(back.PagesName, "P");
  }
}

TEST(SetupInfoRecord, SaveToFileWritesTheRecordBytes) {
  test::TempDir dir;
  const std::string path = dir.Path("SIF.temp");
  test::WriteFileBytes(path, Bytes(500, 0xAA));  // longer than the record: must be truncated
  TypicalRecord().SaveToFile(path);
  EXPECT_EQ(test::ReadFileBytes(path), TypicalBytes());
  EXPECT_NO_THROW(TypicalRecord().SaveToFile(dir.Path("missing-folder/SIF.temp")));
}

// Catches: names matched with case or by prefix, an unknown name mapped anywhere but
// HKLM, a root table in another order than the index, indexes past the table read.
TEST(RegistryRoots, ShortNamesIndexesRootKeysAndDisplayNames) {
  const struct {
    const char* name;
    uint8_t index;
  } names[] = {{"hklm", 0}, {"Hkcu", 1}, {"hKcR", 2}, {"hku", 3},   {"HKCC", 4},   {"HKEY_CURRENT_USER", 0},
               {"", 0},     {"HKUX", 0}, {"HKC", 0},  {" HKCU", 0}, {"HK\xC3U", 0}};
  for (const auto& c : names) EXPECT_EQ(RootIndexFromName(c.name), c.index) << '"' << c.name << '"';

  const struct {
    uint8_t index;
    uint32_t key;
    const char* display;
  } roots[] = {{0, 0x80000002u, "HKEY_LOCAL_MACHINE"},
               {1, 0x80000001u, "HKEY_CURRENT_USER"},
               {2, 0x80000000u, "HKEY_CLASSES_ROOT"},
               {3, 0x80000003u, "HKEY_USERS"},
               {4, 0x80000005u, "HKEY_CURRENT_CONFIG"},
               {5, 0, "!ERROR!"},
               {255, 0, "!ERROR!"}};
  for (const auto& c : roots) {
    EXPECT_EQ(RootKeyFromIndex(c.index), c.key) << int{c.index};
    EXPECT_EQ(RootDisplayName(c.index), c.display) << int{c.index};
  }
}

}  // namespace
}  // namespace setup
