// Group extraction by "file": files, empty and failed entries, status and progress,
// large entries copied in chunks, and entry names that would land outside the folder.
#include <filesystem>
#include <fstream>

#include "base/errors.h"
#include "package/parallel_decoder.h"
#include "script/extract_group.h"
#include "script/script_run_fixture.h"

namespace setup::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class ExtractGroupTest : public ScriptRunTest {
 protected:
  static Bytes ReadLocal(const std::string& windowsPath) { return ReadFileBytes(Local(windowsPath)); }
};

TEST_F(ExtractGroupTest, WritesEveryEntryOfTheGroupWithStatusProgressAndLogRecords) {
  // A package whose "broken.dat" fails its CRC check: its file is left empty.
  RawPackage pkg = BuildRawPackage({{"SetupInfo", 0, ToBytes("info")},
                                    {"a.txt", 1, CompressibleBytes(5000)},
                                    {"other.txt", 2, ToBytes("not this group")},
                                    {"sub\\deeper\\b.dat", 1, RandomBytes(300), false},
                                    {"empty.txt", 1, {}},
                                    {"broken.dat", 1, ToBytes("broken content"), false}});
  pkg.bytes[pkg.records[5].offset] ^= 0xFF;
  WriteFileBytes(dir_.Path("setup.pak"), pkg.bytes);
  ASSERT_TRUE(context.Package.Create(dir_.Path("setup.pak")));
  Line("file", {"payload", "1"});
  Run();

  const std::string base = "C:\\Program Files\\Demo\\";
  EXPECT_EQ(ReadLocal(base + "a.txt"), CompressibleBytes(5000));
  EXPECT_EQ(ReadLocal(base + "sub\\deeper\\b.dat"), RandomBytes(300));
  for (const char* empty : {"empty.txt", "broken.dat"}) {
    ASSERT_TRUE(fs::is_regular_file(Local(base + empty))) << empty;
    EXPECT_EQ(fs::file_size(Local(base + empty)), 0u) << empty;
  }
  EXPECT_FALSE(fs::exists(Local(base + "other.txt")));
  EXPECT_FALSE(fs::exists(Local(base + "SetupInfo")));

  // One status per entry, then one with the empty name; one progress step per entry.
  EXPECT_EQ(statuses, (Strings{"Extracting a.txt", "Extracting sub\\deeper\\b.dat", "Extracting empty.txt",
                               "Extracting broken.dat", "Extracting "}));
  EXPECT_EQ(context.HandOff.FilesDone(), 4);
  EXPECT_EQ(context.HandOff.TakePending().ProgressValue, 4);
  EXPECT_EQ(context.UninstallList.Files(), (Strings{"$INSTDIR\\a.txt", "$INSTDIR\\sub\\deeper\\b.dat",
                                                    "$INSTDIR\\empty.txt", "$INSTDIR\\broken.dat"}));
  // The folders of the first file, then those of b.dat (after a doubled backslash).
  EXPECT_EQ(context.UninstallList.Folders(),
            (Strings{"C:\\Program Files\\", "C:\\Program Files\\Demo\\", "C:\\Program Files\\Demo\\\\sub\\",
                     "C:\\Program Files\\Demo\\\\sub\\deeper\\"}));
  EXPECT_FALSE(context.Run.SetupFailed);
}

// A package with one large raw entry, written sparsely: the content is zeros except for
// a marker byte at each given offset. The CRC is left 0 (large entries are not checked).
void WriteSparseLargePackage(const std::string& path, const std::string& name, uint32_t size,
                             const std::vector<uint32_t>& markers) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (uint32_t offset : markers) {
    out.seekp(offset);
    out.put(static_cast<char>(0x5A));
  }
  Bytes table;
  AppendU16(table, static_cast<uint16_t>(name.size()));
  table.insert(table.end(), name.begin(), name.end());
  // CRC, offset, stored size (0: raw), size, group; the trailer (version 1, one entry,
  // data start, table offset).
  for (const uint32_t field : {0u, 0u, 0u, size}) AppendU32(table, field);
  table.insert(table.end(), {1, 0, 'K', 'Z', 'P', 'F', 1, 0, 1, 0});
  for (const uint32_t field : {0u, size}) AppendU32(table, field);
  out.seekp(size);
  out.write(reinterpret_cast<const char*>(table.data()), static_cast<std::streamsize>(table.size()));
}

TEST_F(ExtractGroupTest, LargeEntryIsCopiedInChunksIntoNewFoldersWithByteStatus) {
  constexpr uint32_t kSize = kLargeEntrySize;  // 70 MiB: three chunks of 25, 25 and 20 MiB
  const std::vector<uint32_t> markers = {0, kStreamChunkSize - 1, kStreamChunkSize, 2 * kStreamChunkSize,
                                         kSize - 1};
  WriteSparseLargePackage(dir_.Path("setup.pak"), "big\\huge.bin", kSize, markers);
  ASSERT_TRUE(context.Package.Create(dir_.Path("setup.pak")));
  Line("file", {"payload", "1"});
  Run();

  EXPECT_EQ(statuses, (Strings{"Extracting big\\huge.bin", "Extracting big\\huge.bin - 0.00 Bytes / 70.00 MB",
                               "Extracting big\\huge.bin - 25.00 MB / 70.00 MB",
                               "Extracting big\\huge.bin - 50.00 MB / 70.00 MB", "Extracting "}));
  const std::string target = Local("C:\\Program Files\\Demo\\big\\huge.bin");
  ASSERT_EQ(fs::file_size(target), kSize);
  std::ifstream in(target, std::ios::binary);
  for (uint32_t offset : {0u, 1u, kStreamChunkSize - 1, kStreamChunkSize, kStreamChunkSize + 1,
                          2 * kStreamChunkSize, kSize - 2, kSize - 1}) {
    in.seekg(offset);
    const bool marked = std::find(markers.begin(), markers.end(), offset) != markers.end();
    EXPECT_EQ(in.get(), marked ? 0x5A : 0) << offset;
  }
  EXPECT_EQ(context.UninstallList.Files(), Strings{"$INSTDIR\\big\\huge.bin"});
  EXPECT_EQ(context.UninstallList.Folders().back(), "C:\\Program Files\\Demo\\\\big\\");
  EXPECT_EQ(context.HandOff.FilesDone(), 1);
}

TEST_F(ExtractGroupTest, EntriesNamedOutsideTheFolderAreRefusedAndTheRunFails) {
  test::MessageRecorder boxes;
  // Which names are unsafe is the entry-path rules' business; two of them will do here.
  OpenPackage({{"..\\x", 1, ToBytes("up")},
               {"good.txt", 1, ToBytes("good")},
               {"C:\\x", 1, ToBytes("drive")},
               {"dir\\ok.txt", 1, ToBytes("ok")}});
  Line("file", {"payload", "1"});
  Line("createdirectory", {"C:\\AfterTheFailure"});
  Run();

  // Only the two safe entries were written, anywhere in the test's folder.
  Strings written;
  for (const auto& item : fs::recursive_directory_iterator(dir_.Path())) {
    if (item.is_regular_file() && item.path() != dir_.Path("setup.pak")) {
      written.push_back(fs::relative(item.path(), dir_.Path("root")).generic_string());
    }
  }
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, (Strings{"C/Program Files/Demo/dir/ok.txt", "C/Program Files/Demo/good.txt"}));
  EXPECT_EQ(context.UninstallList.Files(), (Strings{"$INSTDIR\\good.txt", "$INSTDIR\\dir\\ok.txt"}));
  EXPECT_EQ(context.HandOff.FilesDone(), 4);

  ExpectOneBox(boxes, "Setup Error",
               "Error: Unsafe Entry Name. Setup is corrupt.\rFilename: ..\\x\r"
               "Reason: it climbs out of the target folder with \"..\"\r2 entries were not extracted.");
  EXPECT_TRUE(context.Run.SetupFailed);
  EXPECT_EQ(context.HandOff.TakePending().FinishText, u"Setup failed to install patch.");
  EXPECT_FALSE(fs::exists(Local("C:\\AfterTheFailure")));  // the script stopped
}

// Catches: an entry read ahead whose stream is corrupt raising before the entries in
// front of it are written, or before it is logged itself.
TEST_F(ExtractGroupTest, ACorruptStreamReadAheadRaisesOnlyInItsTurn) {
  RawPackage pkg = BuildRawPackage({{"a.txt", 1, CompressibleBytes(4000)},
                                    {"b.txt", 1, CompressibleBytes(6000, 2)},
                                    {"c.txt", 1, CompressibleBytes(5000, 3)}});
  pkg.bytes[pkg.records[2].offset + pkg.records[2].storedSize - 1] ^= 0xFF;  // the Adler-32 no longer matches
  RestampCrc(pkg, 2);
  WriteFileBytes(dir_.Path("setup.pak"), pkg.bytes);
  ASSERT_TRUE(context.Package.Create(dir_.Path("setup.pak")));
  Line("file", {"payload", "1"});
  EXPECT_THROW(Run(), SetupError);

  EXPECT_EQ(ReadLocal("C:\\Program Files\\Demo\\a.txt"), CompressibleBytes(4000));
  EXPECT_EQ(ReadLocal("C:\\Program Files\\Demo\\b.txt"), CompressibleBytes(6000, 2));
  EXPECT_EQ(context.UninstallList.Files(),
            (Strings{"$INSTDIR\\a.txt", "$INSTDIR\\b.txt", "$INSTDIR\\c.txt"}));
}

// Many small entries decoded ahead around a large one streamed on the writing thread
// (20) and one inflated whole by a worker and written in chunks (30): catches files,
// statuses, uninstall records or log lines out of table order, chunk statuses that
// differ between the two ways, and a run stopped by a file in use (Cancel) that leaves a
// decoding thread behind.
TEST_F(ExtractGroupTest, ManyEntriesAroundAStreamedOneComeInTableOrderAndAStopLeavesNoThread) {
  std::vector<RawEntry> entries;
  for (uint32_t i = 0; i < 40; ++i) {
    entries.push_back({"d" + std::to_string(i % 4) + "\\f" + std::to_string(i), 1, CompressibleBytes(300 + i * 97, i)});
  }
  // Marked at the chunks' edges, so that a chunk misplaced or cut short shows.
  auto marked = [](size_t size) {
    Bytes content(size, 0);
    for (size_t at : {size_t{0}, size_t{kStreamChunkSize} - 1, size_t{kStreamChunkSize}, size - 1}) content[at] = 0x5A;
    return content;
  };
  entries[20] = {"big\\z.bin", 1, marked(kDecodeBudget / 2 + 1024 * 1024)};
  entries[30] = {"big\\y.bin", 1, marked(kStreamChunkSize + 1024 * 1024)};
  OpenPackage(entries);
  auto threads = [] { return std::distance(fs::directory_iterator("/proc/self/task"), {}); };
  const size_t kNone = entries.size();
  for (const size_t held : {kNone, size_t{10}}) {
    SCOPED_TRACE(held);
    const std::string folder = "C:\\Case" + std::to_string(held);
    platform::posix::HoldFileInUse(folder + "\\" + entries[held % kNone].name, held < kNone ? 1000 : 0);
    MessageRecorder boxes(platform::kAnswerCancel);
    ASSERT_TRUE(context.Log.Open(dir_.Path("setup.log")));
    statuses.clear();
    context.Run.SetupFailed = false;
    const size_t recordedBefore = context.UninstallList.Files().size();
    const auto threadsBefore = threads();
    ExtractGroupTo(context, folder, 1);
    EXPECT_EQ(threads(), threadsBefore);
    platform::posix::HoldFileInUse(folder + "\\" + entries[held % kNone].name, 0);
    context.Log.Finish();
    const Bytes logBytes = ReadFileBytes(dir_.Path("setup.log"));
    const std::string log(logBytes.begin(), logBytes.end());

    Strings expectedStatuses, expectedFiles;
    size_t logAt = 0;
    for (size_t i = 0; i <= std::min(held, kNone - 1); ++i) {
      expectedStatuses.push_back("Extracting " + entries[i].name);
      if (i == 20 || i == 30) {
        const std::string total = i == 20 ? " / 33.00 MB" : " / 26.00 MB";
        expectedStatuses.push_back("Extracting " + entries[i].name + " - 0.00 Bytes" + total);
        expectedStatuses.push_back("Extracting " + entries[i].name + " - 25.00 MB" + total);
      }
      expectedFiles.push_back(folder + "\\" + entries[i].name);
      if (i == held) break;
      EXPECT_TRUE(ReadLocal(expectedFiles.back()) == entries[i].content) << i;
      logAt = log.find("file written: " + expectedFiles.back(), logAt);
      EXPECT_NE(logAt, std::string::npos) << i;
    }
    // A stop shows the next entry's name before the loop ends.
    expectedStatuses.push_back("Extracting " + (held < kNone ? entries[held + 1].name : ""));
    EXPECT_EQ(statuses, expectedStatuses);
    EXPECT_EQ(Strings(context.UninstallList.Files().begin() + static_cast<ptrdiff_t>(recordedBefore),
                      context.UninstallList.Files().end()),
              expectedFiles);
    EXPECT_EQ(context.Run.SetupFailed, held < kNone);
    if (held < kNone) {
      EXPECT_FALSE(fs::exists(Local(folder + "\\" + entries[held + 1].name)));
    }
  }
}

// Catches a payload file the system refuses passed over in silence: a folder of the
// same name in its place, a read-only file, a write that fails (a full disk). The box
// names the file and the reason; Retry writes it once the obstacle is gone, Cancel fails
// the run with nothing written after it.
TEST_F(ExtractGroupTest, AFileTheSystemRefusesAsksRetryOrCancel) {
  OpenPackage({{"a.txt", 1, ToBytes("alpha")}, {"b.txt", 1, ToBytes("beta")}, {"c.txt", 1, ToBytes("gamma")}});
  const struct {
    const char* obstacle;
    const char* reason;
  } cases[] = {{"folder", "A folder of the same name is in the way."},
               {"read-only", "Permission denied."},
               {"full disk", "No space left on device."}};
  for (const auto& c : cases) {
    for (const int answer : {platform::kAnswerRetry, platform::kAnswerCancel}) {
      SCOPED_TRACE(std::string(c.obstacle) + (answer == platform::kAnswerRetry ? " retry" : " cancel"));
      const std::string folder = "C:\\" + std::string(c.obstacle) + std::to_string(answer);
      const std::string blocked = Local(folder + "\\b.txt");
      fs::create_directories(fs::path(blocked).parent_path());
      if (c.obstacle == std::string("folder")) fs::create_directory(blocked);
      if (c.obstacle == std::string("read-only")) {
        WriteFileBytes(blocked, ToBytes("old"));
        fs::permissions(blocked, fs::perms::owner_write, fs::perm_options::remove);
      }
      if (c.obstacle == std::string("full disk")) platform::posix::FailFileWritesAfter(1);
      std::vector<std::string> boxes;
      auto previous = platform::SetMessageHandler([&](const platform::MessageRequest& request) {
        boxes.push_back(platform::WideToAnsi(request.text));
        std::error_code ignored;
        fs::remove(blocked, ignored);  // the user clears the way before pressing Retry
        return answer;
      });
      context.Run.SetupFailed = false;
      ExtractGroupTo(context, folder, 1);
      platform::SetMessageHandler(std::move(previous));
      platform::posix::FailFileWritesAfter(0);

      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0], "Error: The file could not be written:\r" + folder + "\\b.txt\r" + c.reason +
                              "\r\rPress Retry to try again. Cancel stops the setup.");
      const bool retried = answer == platform::kAnswerRetry;
      EXPECT_EQ(context.Run.SetupFailed, !retried);
      EXPECT_EQ(fs::exists(Local(folder + "\\c.txt")), retried);
      if (retried) {
        EXPECT_EQ(ReadLocal(folder + "\\b.txt"), ToBytes("beta"));
      }
    }
  }
}

TEST_F(ExtractGroupTest, GroupThatIsNoNumberRaises) {
  OpenPackage({{"a.txt", 1, ToBytes("a")}});
  Line("file", {"payload", "one"});
  EXPECT_THROW(Run(), SetupError);
  EXPECT_FALSE(fs::exists(Local("C:\\Program Files\\Demo\\a.txt")));
}

}  // namespace
}  // namespace setup::test
