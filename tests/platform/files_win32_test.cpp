// Files, folders and sharing through the Windows API.
#include <windows.h>

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "test_support.h"

namespace setup::platform {
namespace {

using test::Bytes;
using test::TempDir;

Bytes Pattern(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return bytes;
}

Bytes ReadAll(File& file) {
  Bytes bytes(static_cast<size_t>(file.Size()));
  file.Seek(0);
  bytes.resize(file.Read(bytes.data(), bytes.size()));
  return bytes;
}

// Catches: wrong position arithmetic, Size read from the wrong place, a read past
// the end reporting more than it read, a write that does not extend the file.
TEST(Win32File, WritesReadsSeeksAndReportsSize) {
  TempDir dir;
  const std::string path = dir.Path("data.bin");
  const Bytes data = Pattern(100000);

  File file;
  ASSERT_TRUE(file.Open(path, OpenMode::CreateExclusive));
  ASSERT_TRUE(file.Write(data.data(), data.size()));
  EXPECT_EQ(file.Size(), data.size());

  ASSERT_TRUE(file.Seek(40000));
  uint8_t middle[16] = {};
  ASSERT_EQ(file.Read(middle, sizeof middle), sizeof middle);
  EXPECT_TRUE(std::equal(middle, middle + sizeof middle, data.begin() + 40000));

  ASSERT_TRUE(file.Seek(99990));
  std::vector<uint8_t> tail(100);
  EXPECT_EQ(file.Read(tail.data(), tail.size()), 10u);
  EXPECT_EQ(file.Read(tail.data(), tail.size()), 0u);

  const uint8_t more[5] = {1, 2, 3, 4, 5};
  ASSERT_TRUE(file.SeekToEnd());
  ASSERT_TRUE(file.Write(more, sizeof more));
  EXPECT_EQ(file.Size(), data.size() + sizeof more);
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.Read(middle, sizeof middle), 0u);
  EXPECT_FALSE(file.Write(more, sizeof more));

  ASSERT_TRUE(file.Open(path, OpenMode::ReadShared));
  Bytes expected = data;
  expected.insert(expected.end(), more, more + sizeof more);
  EXPECT_EQ(ReadAll(file), expected);
  file.Close();

  // Creating again truncates.
  ASSERT_TRUE(file.Open(path, OpenMode::CreateExclusive));
  EXPECT_EQ(file.Size(), 0u);
}

// Catches: a mode that creates a missing file when it must not, or the reverse.
TEST(Win32File, MissingFileOpensOnlyForCreation) {
  TempDir dir;
  const struct {
    OpenMode mode;
    bool opens;
  } cases[] = {
      {OpenMode::ReadShared, false},
      {OpenMode::ReadWriteExclusive, false},
      {OpenMode::CreateExclusive, true},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string path = dir.Path("missing" + std::to_string(n++) + ".bin");
    File file;
    EXPECT_EQ(file.Open(path, c.mode), c.opens) << path;
    EXPECT_EQ(file.IsOpen(), c.opens) << path;
    EXPECT_EQ(FileExists(path), c.opens) << path;
  }
}

// Catches: sharing flags that lock out a second reader, or exclusive modes that
// let another handle in.
TEST(Win32File, SharingBetweenTwoHandles) {
  TempDir dir;
  const std::string path = dir.Path("shared.bin");
  test::WriteFileBytes(path, Pattern(64));
  const struct {
    const char* name;
    OpenMode first;
    OpenMode second;
    bool secondOpens;
  } cases[] = {
      {"two shared readers", OpenMode::ReadShared, OpenMode::ReadShared, true},
      {"exclusive after shared", OpenMode::ReadShared, OpenMode::ReadWriteExclusive, false},
      {"shared after exclusive", OpenMode::ReadWriteExclusive, OpenMode::ReadShared, false},
      {"shared after create", OpenMode::CreateExclusive, OpenMode::ReadShared, false},
  };
  for (const auto& c : cases) {
    File first;
    File second;
    ASSERT_TRUE(first.Open(path, c.first)) << c.name;
    EXPECT_EQ(second.Open(path, c.second), c.secondOpens) << c.name;
  }
}

// A running setup reads its own file while others may have it open for writing;
// and what the writer adds later is visible to the reader.
TEST(Win32File, SharedReaderSeesAnotherHandlesWrites) {
  TempDir dir;
  const std::string path = dir.Path("growing.bin");
  win32::UniqueFileHandle writer(CreateFileW(win32::AnsiToWideString(path).c_str(), GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer);
  const Bytes first = Pattern(1000);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writer.get(), first.data(), static_cast<DWORD>(first.size()), &written, nullptr));

  File reader;
  ASSERT_TRUE(reader.Open(path, OpenMode::ReadShared));
  EXPECT_EQ(ReadAll(reader), first);

  const Bytes second = Pattern(300);
  ASSERT_TRUE(WriteFile(writer.get(), second.data(), static_cast<DWORD>(second.size()), &written, nullptr));
  Bytes expected = first;
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(reader.Size(), expected.size());
  EXPECT_EQ(ReadAll(reader), expected);
}

// Catches: a leaked or doubly closed handle after a move.
TEST(Win32File, MoveHandsOverTheOnlyHandle) {
  TempDir dir;
  const std::string path = dir.Path("moved.bin");
  test::WriteFileBytes(path, Pattern(10));
  {
    File original;
    ASSERT_TRUE(original.Open(path, OpenMode::ReadWriteExclusive));
    File moved(std::move(original));
    EXPECT_FALSE(original.IsOpen());
    original.Close();
    File assigned;
    assigned = std::move(moved);
    EXPECT_FALSE(moved.IsOpen());
    EXPECT_EQ(ReadAll(assigned), Pattern(10));
  }
  // Every handle is gone: an exclusive open succeeds.
  File again;
  EXPECT_TRUE(again.Open(path, OpenMode::ReadWriteExclusive));
}

// Catches: a folder opened as a file (the package would then be a folder), and
// existence checks that confuse files and folders.
TEST(Win32File, FoldersAreNotFiles) {
  TempDir dir;
  const std::string folder = dir.Path("folder");
  const std::string file = dir.Path("file.txt");
  ASSERT_TRUE(CreateDirectoryTree(folder));
  test::WriteFileBytes(file, test::ToBytes("text"));

  for (OpenMode mode : {OpenMode::ReadShared, OpenMode::ReadWriteExclusive, OpenMode::CreateExclusive}) {
    File f;
    EXPECT_FALSE(f.Open(folder, mode)) << static_cast<int>(mode);
    EXPECT_FALSE(f.IsOpen());
  }
  const struct {
    std::string path;
    bool isFile;
    bool isFolder;
  } cases[] = {
      {folder, false, true},
      {folder + "\\", false, true},
      {file, true, false},
      {dir.Path("absent"), false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileExists(c.path), c.isFile) << c.path;
    EXPECT_EQ(DirectoryExists(c.path), c.isFolder) << c.path;
  }
}

// Catches: only the last level created, separators or a trailing "\" mishandled,
// an existing folder reported as a failure, a file taken for a folder.
TEST(Win32File, CreateDirectoryTreeCreatesEveryMissingParent) {
  TempDir dir;
  const std::string base = dir.Path();
  test::WriteFileBytes(base + "\\blocker", test::ToBytes("x"));
  const struct {
    std::string relative;
    bool created;
  } cases[] = {
      {"a\\b\\c\\d", true},
      {"a\\b", true},  // exists already
      {"e/f/g", true},
      {"h\\i\\", true},
      {"a\\b\\c\\d\\e2\\f2", true},
      {"blocker\\sub", false},
  };
  for (const auto& c : cases) {
    const std::string path = base + "\\" + c.relative;
    EXPECT_EQ(CreateDirectoryTree(path), c.created) << path;
    EXPECT_EQ(DirectoryExists(path), c.created) << path;
  }
  EXPECT_TRUE(FileExists(base + "\\blocker"));
}

TEST(Win32File, RemoveFileRemovesOnlyExistingFiles) {
  TempDir dir;
  const std::string path = dir.Path("gone.txt");
  test::WriteFileBytes(path, test::ToBytes("x"));
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_FALSE(RemoveFile(path));
}

}  // namespace
}  // namespace setup::platform
