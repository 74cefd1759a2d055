// Files, folders and sharing through the Windows API.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "test_support.h"

namespace setup::platform {
namespace {

using test::Bytes;
using test::TempDir;

Bytes ReadAll(File& file) {
  Bytes bytes(static_cast<size_t>(file.Size()));
  file.Seek(0);
  bytes.resize(file.Read(bytes.data(), bytes.size()));
  return bytes;
}

// Catches: wrong position arithmetic, Size read from the wrong place, a read past the
// end reporting more than it read, a write that does not extend the file, a closed
// file that still reads or writes, creation that does not truncate.
TEST(Win32File, WritesReadsSeeksAndReportsSize) {
  TempDir dir;
  const std::string path = dir.Path("data.bin");
  const Bytes data = test::RandomBytes(100000);
  File file;
  ASSERT_TRUE(file.Open(path, OpenMode::CreateAlways));
  ASSERT_TRUE(file.Write(data.data(), data.size()));
  ASSERT_TRUE(file.Seek(99990));
  std::vector<uint8_t> tail(100);
  EXPECT_EQ(file.Read(tail.data(), tail.size()), 10u);
  EXPECT_TRUE(std::equal(tail.begin(), tail.begin() + 10, data.end() - 10));
  EXPECT_EQ(file.Read(tail.data(), tail.size()), 0u);
  const uint8_t more[5] = {1, 2, 3, 4, 5};
  ASSERT_TRUE(file.SeekToEnd());
  ASSERT_TRUE(file.Write(more, sizeof more));
  EXPECT_EQ(file.Size(), data.size() + sizeof more);
  file.Close();
  EXPECT_EQ(file.Read(tail.data(), 1), 0u);
  EXPECT_FALSE(file.Write(more, sizeof more));

  ASSERT_TRUE(file.Open(path, OpenMode::ReadShared));
  Bytes expected = data;
  expected.insert(expected.end(), more, more + sizeof more);
  EXPECT_EQ(ReadAll(file), expected);
  ASSERT_TRUE(file.Open(path, OpenMode::CreateAlways));
  EXPECT_EQ(file.Size(), 0u);
}

// Catches: a mode that creates a missing file when it must not, a folder opened as a
// file (the package would then be a folder), sharing flags that lock out a second
// reader, exclusive modes that let another handle in, a second writer let into an
// archive being changed, creating a journal over one that is there.
TEST(Win32File, OpenModesCreateAndShareAsDeclared) {
  TempDir dir;
  for (OpenMode mode : {OpenMode::ReadShared, OpenMode::ReadWriteExclusive, OpenMode::CreateAlways,
                        OpenMode::CreateNew, OpenMode::ReadWriteDenyWrite}) {
    const std::string path = dir.Path("missing" + std::to_string(static_cast<int>(mode)));
    const bool creates = mode == OpenMode::CreateAlways || mode == OpenMode::CreateNew;
    File file;
    EXPECT_EQ(file.Open(path, mode), creates) << path;
    EXPECT_EQ(FileExists(path), creates) << path;
    EXPECT_FALSE(file.Open(dir.Path(), mode)) << "a folder, mode " << static_cast<int>(mode);
  }
  const std::string path = dir.Path("shared.bin");
  test::WriteFileBytes(path, Bytes(64, 1));
  const struct {
    OpenMode first, second;
    bool secondOpens;
  } cases[] = {
      {OpenMode::ReadShared, OpenMode::ReadShared, true},
      {OpenMode::ReadShared, OpenMode::ReadWriteExclusive, false},
      {OpenMode::ReadWriteExclusive, OpenMode::ReadShared, false},
      {OpenMode::ReadWriteDenyWrite, OpenMode::ReadShared, true},  // the game may go on reading
      {OpenMode::ReadWriteDenyWrite, OpenMode::ReadWriteDenyWrite, false},
      {OpenMode::ReadWriteDenyWrite, OpenMode::ReadWriteShared, false},
  };
  for (const auto& c : cases) {
    File first, second;
    ASSERT_TRUE(first.Open(path, c.first));
    EXPECT_EQ(second.Open(path, c.second), c.secondOpens)
        << static_cast<int>(c.first) << " then " << static_cast<int>(c.second);
    if (!c.secondOpens) {
      EXPECT_TRUE(LastOpenFailedInUse());
    }
  }
  File file;
  EXPECT_FALSE(file.Open(path, OpenMode::CreateNew));
  EXPECT_EQ(test::ReadFileBytes(path), Bytes(64, 1));
}

// A running setup reads its own file while others may have it open for writing, and
// sees what the writer adds later. Catches: a reader that refuses write sharing, or a
// size cached at open.
TEST(Win32File, SharedReaderSeesAnotherHandlesWrites) {
  TempDir dir;
  const std::string path = dir.Path("growing.bin");
  win32::UniqueFileHandle writer(CreateFileW(win32::AnsiToWideString(path).c_str(), GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer);
  const Bytes data = test::RandomBytes(1300);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writer.get(), data.data(), 1000, &written, nullptr));
  File reader;
  ASSERT_TRUE(reader.Open(path, OpenMode::ReadShared));
  EXPECT_EQ(reader.Size(), 1000u);
  ASSERT_TRUE(WriteFile(writer.get(), data.data() + 1000, 300, &written, nullptr));
  EXPECT_EQ(ReadAll(reader), data);
}

// Catches: a leaked or doubly closed handle after a move.
TEST(Win32File, MoveHandsOverTheOnlyHandle) {
  TempDir dir;
  const std::string path = dir.Path("moved.bin");
  test::WriteFileBytes(path, Bytes(10, 7));
  {
    File original;
    ASSERT_TRUE(original.Open(path, OpenMode::ReadWriteExclusive));
    File moved(std::move(original));
    EXPECT_FALSE(original.IsOpen());
    original.Close();
    File assigned;
    assigned = std::move(moved);
    EXPECT_EQ(ReadAll(assigned), Bytes(10, 7));
  }
  File again;  // every handle is gone: an exclusive open succeeds
  EXPECT_TRUE(again.Open(path, OpenMode::ReadWriteExclusive));
}

// Catches: existence checks that confuse files and folders, only the last level of a tree created, "/" or
// a trailing "\" mishandled, an existing folder reported as a failure, a file taken
// for a folder, a removal that reports success for nothing.
TEST(Win32File, FoldersFilesAndTrees) {
  TempDir dir;
  const std::string base = dir.Path();
  const std::string file = dir.Path("file.txt");
  test::WriteFileBytes(file, test::ToBytes("x"));
  const struct {
    std::string relative;
    bool created;
  } trees[] = {{"a\\b\\c\\d", true}, {"a\\b", true}, {"e/f/g\\", true}, {"file.txt\\sub", false}};
  for (const auto& c : trees) {
    const std::string path = base + "\\" + c.relative;
    EXPECT_EQ(CreateDirectoryTree(path), c.created) << path;
    EXPECT_EQ(DirectoryExists(path), c.created) << path;
  }
  EXPECT_FALSE(FileExists(base + "\\a\\"));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(RemoveFile(file));
}

// Catches: hidden or system entries (files or folders) missing from a listing. What
// listings, copies, renames and folder removals promise in both builds:
// platform_contract_test.cpp.
TEST(Win32File, ListingShowsHiddenAndSystemEntries) {
  TempDir dir;
  const std::string listed = dir.Path("listed");
  ASSERT_TRUE(CreateDirectoryTree(listed + "\\folder"));
  const struct {
    const char* name;
    DWORD attributes;
  } files[] = {{"hidden", FILE_ATTRIBUTE_HIDDEN},
               {"system", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN},
               {"plain", FILE_ATTRIBUTE_NORMAL}};
  for (const auto& f : files) {
    const std::string path = listed + "\\" + f.name;
    test::WriteFileBytes(path, test::ToBytes(f.name));
    ASSERT_TRUE(SetFileAttributesW(win32::AnsiToWideString(path).c_str(), f.attributes)) << path;
  }
  ASSERT_TRUE(SetFileAttributesW(win32::AnsiToWideString(listed + "\\folder").c_str(),
                                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(test::SortedListing(listed),
            (test::Listing{{"folder", true}, {"hidden", false}, {"plain", false}, {"system", false}}));
}

}  // namespace
}  // namespace setup::platform
