// The "SetupInfo" record against bytes laid out by hand from its format: seven counted
// strings, five slots of (u8 root, counted Path, counted Key), two counted strings, two
// flag bytes.
#include "script/setup_info.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace setup {
namespace {

using test::Bytes;

// A counted string by hand: low byte of the length, high byte, the characters.
void Counted(Bytes& out, const std::string& text) {
  out.push_back(static_cast<uint8_t>(text.size() & 0xFF));
  out.push_back(static_cast<uint8_t>(text.size() >> 8));
  out.insert(out.end(), text.begin(), text.end());
}

// A record with every field different, all five slots used, one of them with a root
// index out of range (which the reader must keep, not check).
TSetupInfoFile TypicalRecord() {
  TSetupInfoFile r;
  r.SetupName = "Product 2.1 Patch";
  r.ShortName = "Product";
  r.SetupExeName = "patch21.exe";
  r.UninstallExeName = "P_Uninstall.exe";
  r.UninstallPrefix = "P_";
  r.InstallDir = "$PROGRAMFILES\\Product\\";
  r.Changelog = "ChangeLog";
  r.InstallDirRegKey[0] = {0, "Software\\Vendor\\Product", "Path"};
  r.InstallDirRegKey[1] = {1, "Software\\Product", "Dir"};
  r.InstallDirRegKey[2] = {2, "", ""};
  r.InstallDirRegKey[3] = {4, "K", "V"};
  r.InstallDirRegKey[4] = {7, "Odd", "Root"};
  r.PagesName = "Pages";
  r.UninstallPagesName = "UPages";
  r.IsUninstaller = 1;
  r.CreateUninstaller = 0;
  return r;
}

Bytes TypicalBytes() {
  Bytes b;
  for (const char* text : {"Product 2.1 Patch", "Product", "patch21.exe", "P_Uninstall.exe", "P_",
                           "$PROGRAMFILES\\Product\\", "ChangeLog"}) {
    Counted(b, text);
  }
  const struct {
    uint8_t root;
    const char *path, *key;
  } slots[] = {{0, "Software\\Vendor\\Product", "Path"},
               {1, "Software\\Product", "Dir"},
               {2, "", ""},
               {4, "K", "V"},
               {7, "Odd", "Root"}};
  for (const auto& slot : slots) {
    b.push_back(slot.root);
    Counted(b, slot.path);
    Counted(b, slot.key);
  }
  Counted(b, "Pages");
  Counted(b, "UPages");
  b.insert(b.end(), {1, 0});  // IsUninstaller, CreateUninstaller
  return b;
}

// The writer is checked byte by byte against the hand-built records, and a record's
// bytes determine every field, so equal bytes mean equal records.
void ExpectSameRecord(const TSetupInfoFile& a, const TSetupInfoFile& b) {
  EXPECT_EQ(a.Serialize(), b.Serialize());
}

// Catches: a field missing, doubled, out of order or read into the wrong member; a
// count of the wrong width or byte order; slot fields swapped; a root index validated
// or clamped; flags stored as more than one byte or swapped.
TEST(SetupInfoRecord, TypicalRecordMatchesItsBytesBothWays) {
  const Bytes bytes = TypicalBytes();
  EXPECT_EQ(TypicalRecord().Serialize(), bytes);

  TSetupInfoFile loaded;
  ASSERT_TRUE(loaded.LoadFromBuffer(bytes));
  ExpectSameRecord(loaded, TypicalRecord());
  EXPECT_EQ(loaded.Serialize(), bytes);
}

// Catches: a reader that runs past the end (ASan sees it: each cut is its own exactly
// sized buffer), one that accepts a record missing its last flag, and one that leaves
// half of a failed read in the live record.
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

// Catches: trailing bytes taken as an error or read into a field; a count read as
// signed or as one byte (a 0x80 or 0x100-long string goes wrong then); a writer that
// throws on an overlong string or stores a wrapped count with all its characters
// (the record would no longer read back): it keeps the low 16 bits of the length.
TEST(SetupInfoRecord, TrailingBytesLongCountsAndOverlongStrings) {
  Bytes bytes = TypicalBytes();
  bytes.insert(bytes.end(), {0xFF, 0xFF, 0x12, 0x34});
  TSetupInfoFile loaded;
  ASSERT_TRUE(loaded.LoadFromBuffer(bytes));
  ExpectSameRecord(loaded, TypicalRecord());

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

// Catches: a file written in another order or encoding than the entry, appended to
// instead of truncated, or a failure to create that escapes as an exception.
TEST(SetupInfoRecord, SaveToFileWritesTheRecordBytes) {
  test::TempDir dir;
  const std::string path = dir.Path("SIF.temp");
  test::WriteFileBytes(path, Bytes(500, 0xAA));  // longer than the record: must be truncated
  TypicalRecord().SaveToFile(path);
  EXPECT_EQ(test::ReadFileBytes(path), TypicalBytes());

  EXPECT_NO_THROW(TypicalRecord().SaveToFile(dir.Path("missing-folder/SIF.temp")));
}

}  // namespace
}  // namespace setup
