// "vfsupdate" in whole install runs: status texts and the progress rule, the flag rules,
// two lines on one archive, and each failure that stops the run with the archive left
// as it was.
#include <filesystem>

#include "platform/files.h"
#include "script/script_run_fixture.h"
#include "vfs/vfs_reader.h"

namespace setup::test {
namespace {

using Strings = std::vector<std::string>;

class VfsUpdateTest : public ScriptRunTest {
 protected:
  void SetUp() override {
    ScriptRunTest::SetUp();
    archive_ = Local("C:\\Program Files\\Demo\\game.vfs");
    language_ = Utf16File(
        u"English\r\n0409;\r\n19 Processing <%KZPNAME%>: <%FNUM%> of <%FTOTAL%> files\r\n"
        u"20 Writing <%KZPNAME%>`s Header\r\n23 Setup failed to install patch.\r\n29 Loading <%KZPNAME%>\r\n");
    context.Languages.Add(language_.data(), language_.size());
    context.Languages.Current = 1;
    std::filesystem::create_directories(Local(kDir));
    WriteFileBytes(archive_, EmptyArchive(1024, 40, 4));
  }
  void TearDown() override {
    platform::posix::FailMd5Digests(false);
    ScriptRunTest::TearDown();
  }
  size_t Count(const std::string& status) const { return static_cast<size_t>(std::count(statuses.begin(), statuses.end(), status)); }

  static constexpr const char* kDir = "C:\\Program Files\\Demo";
  std::string archive_;
  Bytes language_;
  MessageRecorder boxes_;
};

TEST_F(VfsUpdateTest, ProgressRuleAndStatusOverAGroupOf250) {
  std::vector<RawEntry> entries;
  for (int i = 0; i < 250; ++i) entries.push_back({"f" + std::to_string(i) + ".txt", 1, ToBytes("x"), false});
  WriteFileBytes(archive_, EmptyArchive(64, 300, 256));
  OpenPackage(entries);
  Line("vfsupdate", {"src", "game.vfs", "1"});
  Run();
  EXPECT_EQ(ReadAndValidate(archive_).problems, Strings{});
  EXPECT_EQ(ReadAndValidate(archive_).nodes.size(), 250u);
  EXPECT_EQ(statuses.front(), "Loading game.vfs");
  EXPECT_EQ(Count("Processing game.vfs: 0 of 250 files"), 2u);  // on opening and for the first entry
  EXPECT_EQ(Count("Processing game.vfs: 249 of 250 files"), 1u);
  EXPECT_EQ(Count("Processing game.vfs: 250 of 250 files"), 0u);
  EXPECT_EQ(statuses.back(), "Writing game.vfs`s Header");
  // The last entry (249 of 250 gives 99 %, as 248 did) is counted but not published.
  EXPECT_EQ(context.HandOff.FilesDone(), 250);
  EXPECT_EQ(context.HandOff.TakePending().ProgressValue, 249);
}

TEST_F(VfsUpdateTest, FlagRulesAndTwoLinesOnOneArchive) {
  OpenPackage({{"readme.txt", 1, ToBytes("old")},
               {"readme.txt", 2, ToBytes("new")},
               {"maps\\one.map", 2, CompressibleBytes(3000)},
               {"three.txt", 3, ToBytes("3")}});
  platform::SetReadOnly(archive_);
  Line("vfsupdate", {"src", "game.vfs", "0", "1"});  // left open
  Line("vfsupdate", {"src", "game.vfs", "0", "2"});  // closes the first, left open
  Line("vfsupdate", {"src", "game.vfs", "3"});       // three parameters: closed
  Line("vfsupdate", {"src", "missing.vfs", "4"});    // empty group: not even looked for
  Run();
  EXPECT_FALSE(context.Run.SetupFailed);
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_FALSE(platform::IsReadOnly(archive_));
  // Flushed when the second line reopened it, again when the third did, and on close.
  EXPECT_EQ(Count("Writing game.vfs`s Header"), 3u);
  const ReadArchive r = ReadAndValidate(archive_);
  EXPECT_EQ(r.problems, Strings{});
  EXPECT_EQ(r.nodes.at("readme.txt").content, ToBytes("new"));
  EXPECT_EQ(r.nodes.at("maps\\one.map").content, CompressibleBytes(3000));
  EXPECT_EQ(r.nodes.at("three.txt").content, ToBytes("3"));
}

TEST_F(VfsUpdateTest, ArchiveLeftOpenIsFlushedAtTheEndOfTheScript) {
  OpenPackage({{"a.txt", 1, ToBytes("a")}});
  Line("vfsupdate", {"src", "game.vfs", "0", "1"});
  Run();
  EXPECT_EQ(ReadAndValidate(archive_).problems, Strings{});
  EXPECT_FALSE(std::filesystem::exists(archive_ + ".journal"));
}

// Catches: an archive error at the flush when the run ends (here the digest) escaping
// the engine and ending the process before the log and the uninstaller were written.
TEST_F(VfsUpdateTest, ErrorAtTheLastFlushFailsTheRunWhichStillEndsInOrder) {
  Bytes stub = RandomBytes(2000, 5);
  stub[0] = 'M', stub[1] = 'Z';
  WriteFileBytes(dir_.Path("setup.exe"), BuildRawPackage({{"a.txt", 1, ToBytes("a")}}, stub).bytes);
  platform::posix::SetCommandLine({}, dir_.Path("setup.exe"));
  ASSERT_TRUE(context.Package.Create(dir_.Path("setup.exe")));
  context.SetupInfo.CreateUninstaller = 1;
  const Bytes before = ReadFileBytes(archive_);
  Line("vfsupdate", {"src", "game.vfs", "0", "1"});  // left open: flushed when the run ends
  platform::posix::FailMd5Digests(true);
  Run();
  EXPECT_TRUE(context.Run.SetupFailed);
  ExpectOneBox(boxes_, "VFS Error", "Error: Unable to update <game.vfs>\rMD5 Error");
  EXPECT_EQ(ReadFileBytes(archive_), before);
  EXPECT_TRUE(std::filesystem::is_regular_file(Local(std::string(kDir) + "\\install.log")));
  EXPECT_TRUE(std::filesystem::is_regular_file(Local(std::string(kDir) + "\\Uninstall.exe")));
}

// Catches: the file system's name check applied inside an archive (refusing "aux.cfg"),
// or none (a ".." or empty component put into the tree).
TEST_F(VfsUpdateTest, EntryNamesAreCheckedAsPathsInsideTheArchive) {
  const std::pair<std::string, bool> cases[] = {  // name, accepted
      {"aux.cfg", true},      {"con\\x.txt", true},  {"a:b*?<>.txt", true},
      {"..\\x.txt", false},   {"a\\\\b.txt", false}, {"\\x.txt", false},
      {"a\\.\\b.txt", false}, {std::string("a\0b.txt", 7), false}};
  for (const auto& [name, accepted] : cases) {
    context.CompiledLines.Clear();
    context.Run.SetupFailed = false;
    boxes_.boxes.clear();
    WriteFileBytes(archive_, EmptyArchive(1024, 40, 4));
    OpenPackage({{name, 1, ToBytes("x")}});
    Line("vfsupdate", {"src", "game.vfs", "1"});
    Run();
    EXPECT_EQ(context.Run.SetupFailed, !accepted) << name;
    EXPECT_EQ(ReadAndValidate(archive_).nodes.count(name), accepted ? 1u : 0u) << name;
    EXPECT_EQ(boxes_.boxes.empty() ? "" : boxes_.boxes[0].caption, accepted ? "" : "Setup Error") << name;
  }
}

struct FailureCase {
  const char* what;
  std::vector<RawEntry> entries;
  const char* archive;
  std::string text, caption;
};

class VfsFailureTest : public VfsUpdateTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(VfsFailureTest, StopsTheRunAndLeavesTheArchiveAsItWas) {
  const FailureCase& c = GetParam();
  Bytes bad = EmptyArchive(1024, 4, 4);
  bad[13] = 0x01;  // 256 + 4 root slots
  WriteFileBytes(Local(std::string(kDir) + "\\bad.vfs"), bad);
  RawPackage pkg = BuildRawPackage(c.entries);
  if (c.caption == "Verification Error") pkg.bytes[pkg.records[1].offset] ^= 0xFF;
  WriteFileBytes(dir_.Path("setup.pak"), pkg.bytes);
  ASSERT_TRUE(context.Package.Create(dir_.Path("setup.pak")));
  const Bytes before = ReadFileBytes(archive_);
  Line("vfsupdate", {"src", c.archive, "1"});
  Run();
  EXPECT_TRUE(context.Run.SetupFailed);
  ExpectOneBox(boxes_, c.caption, c.text);
  EXPECT_EQ(ReadFileBytes(archive_), before);
  EXPECT_FALSE(std::filesystem::exists(archive_ + ".journal"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VfsFailureTest,
    ::testing::Values(
        FailureCase{"missing", {{"a.txt", 1, ToBytes("a")}}, "gone.vfs", "Error: Unable to find <gone.vfs>", "VFS Error"},
        FailureCase{"full", {{"a.txt", 1, ToBytes("a")}, {"big.bin", 1, RandomBytes(50000), false}}, "game.vfs",
                    "Error: Unable to update <game.vfs>\rNo free block is left for \"big.bin\".", "VFS Error"},
        FailureCase{"damaged", {{"a.txt", 1, ToBytes("a")}}, "bad.vfs",
                    "Error: Unable to update <bad.vfs>\r"
                    "The archive is damaged: It has 260 root slots (256 at most).",
                    "VFS Error"},
        FailureCase{"unextractable", {{"a.txt", 1, ToBytes("a")}, {"b.txt", 1, ToBytes("bbbb"), false}}, "game.vfs",
                    "Error: Verification Failed. Setup is corrupt.\rID: 1 Filename: b.txt", "Verification Error"}),
    [](const ::testing::TestParamInfo<FailureCase>& param) { return std::string(param.param.what); });

}  // namespace
}  // namespace setup::test
