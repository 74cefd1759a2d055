// Crash safety: a child process runs an update and is killed (SIGKILL) just before
// its k-th write reaches the disk, for k spread over the whole update; the next Open
// must leave an archive that checks clean and holds the old or the new content.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <sstream>

#include "crash_points.h"
#include "journal/archive_journal.h"
#include "setupc/commands.h"
#include "vfs/vfs_file.h"
#include "vfs/vfs_reader.h"

namespace setup::test {
namespace {

std::atomic<uint64_t> calls{0};
uint64_t killAt = 0;
void KillHook(uint64_t) {
  if (++calls == killAt) raise(SIGKILL);
}

using Files = std::vector<std::pair<std::string, Bytes>>;

void Update(const std::string& path, const Files& files) {
  TVFSFile archive;
  if (!archive.Open(path, true)) return;
  for (const auto& [name, content] : files) {
    archive.Tree().PutFile(name, content.data(), static_cast<uint32_t>(content.size()));
  }
  archive.Flush(false);
}

TEST(VfsCrashTest, AnUpdateKilledAnywhereComesBackOldOrNew) {
  TempDir dir;
  const std::string base = dir.Path("base.vfs"), work = dir.Path("work.vfs");
  WriteFileBytes(base, EmptyArchive(512, 400, 16));
  Update(base, {{"readme.txt", ToBytes("old readme")}, {"maps\\a.map", RandomBytes(3000)}, {"b.txt", CompressibleBytes(9000)}});
  const Files patch = {{"readme.txt", ToBytes("new readme, longer than the old one")},
                       {"maps\\a.map", RandomBytes(2000, 3)},
                       {"maps\\deep\\c.map", CompressibleBytes(60000, 5)},
                       {"fresh.txt", RandomBytes(700, 9)}};
  const auto oldFiles = FilesOf(ReadAndValidate(base));
  auto copyBase = [&] {
    std::filesystem::copy_file(base, work, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(dir.Path("base.ht"), dir.Path("work.ht"), std::filesystem::copy_options::overwrite_existing);
  };
  copyBase();
  VfsWriter::SetWriteHook(KillHook);
  calls = 0;
  Update(work, patch);
  const uint64_t total = calls;
  const auto newFiles = FilesOf(ReadAndValidate(work));
  ASSERT_GE(total, 50u);

  size_t oldSeen = 0, newSeen = 0;
  for (uint64_t i = 0; i < 60; ++i) {
    const uint64_t k = 1 + i * total / 59;  // the last one is past the final write
    copyBase();
    const std::string end = EndOfChild([&] {
      calls = 0;
      killAt = k;
      Update(work, patch);
    });
    ASSERT_EQ(end, k <= total ? "signal " + std::to_string(SIGKILL) : "exit 0") << k;
    TVFSFile archive;
    ASSERT_TRUE(archive.Open(work, true)) << k << ": " << archive.Damage();
    archive.Close();
    const ReadArchive r = ReadAndValidate(work);
    EXPECT_EQ(r.problems, std::vector<std::string>{}) << "killed before write " << k;
    EXPECT_FALSE(std::filesystem::exists(JournalPath(work)));
    std::ostringstream report;
    EXPECT_EQ(setupc::VfsCheck(work, report, report), 0) << report.str();
    const auto files = FilesOf(r);
    EXPECT_TRUE(files == oldFiles || files == newFiles) << "killed before write " << k;
    oldSeen += files == oldFiles;
    newSeen += files == newFiles;
  }
  VfsWriter::SetWriteHook(nullptr);
  EXPECT_GT(oldSeen, 0u);
  EXPECT_GT(newSeen, 0u);
}

}  // namespace
}  // namespace setup::test
