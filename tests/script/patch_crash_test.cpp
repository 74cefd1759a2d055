// A patch that stops anywhere — the process ended half-way through one of its writes,
// as a power cut would end it — is finished by running the setup again. One script
// patches two KZP packages, a VFS archive (left open by its line, closed when the
// script ends) and loose files. A child process runs it and is ended at its k-th
// write, for every k of the run; the parent then runs the same setup in full and must
// find exactly what an uninterrupted run leaves, every archive clean and no journal.
// Catches: a journal that blocks or misleads the next run, an archive rolled back to
// a state the rerun cannot patch, a torn loose file or index that the rerun leaves.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "crash_points.h"
#include "package/kzp_contents.h"
#include "package/package_password_key.h"
#include "package/string_scramble.h"
#include "script_run_fixture.h"
#include "setupc/commands.h"
#include "vfs/vfs_file.h"
#include "vfs/vfs_reader.h"

namespace setup::test {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, Bytes>;

constexpr const char* kFolder = "C:\\Program Files\\Demo";
const std::vector<std::string> kPackages = {"game.kzp", "textures.kzp"};
constexpr const char* kArchive = "game.vfs";
constexpr const char* kArchiveIndex = "game.ht";

// The groups of the setup package: what the old install put there, and the patch.
enum Group : uint16_t {
  kOldGame = 1,
  kOldTextures,
  kOldArchive,
  kOldLoose,
  kGame,
  kTextures,
  kArchiveGroup,
  kLoose
};

const std::vector<RawEntry>& PackageEntries() {
  static const std::vector<RawEntry> entries = {
      {"data\\a.txt", kOldGame, CompressibleBytes(400, 1)},
      {"data\\b.txt", kOldGame, CompressibleBytes(600, 2)},
      {"keep.txt", kOldGame, CompressibleBytes(300, 3)},
      {"wall.tex", kOldTextures, RandomBytes(500, 4)},
      {"floor.tex", kOldTextures, RandomBytes(700, 5)},
      {"readme.txt", kOldArchive, ToBytes("old readme")},
      {"maps\\a.map", kOldArchive, RandomBytes(1500, 6)},
      {"maps\\deep\\b.map", kOldArchive, CompressibleBytes(2500, 7)},
      {"bin\\tool.exe", kOldLoose, RandomBytes(800, 8)},
      {"notes.txt", kOldLoose, ToBytes("old notes")},
      // The patch: replaced, unchanged and new entries in every group.
      {"data\\b.txt", kGame, CompressibleBytes(900, 12)},
      {"keep.txt", kGame, CompressibleBytes(300, 3)},
      {"data\\c.txt", kGame, CompressibleBytes(500, 13)},
      {"levels\\l1.dat", kGame, RandomBytes(600, 14)},
      {"floor.tex", kTextures, RandomBytes(650, 15)},
      {"sky.tex", kTextures, RandomBytes(400, 16)},
      {"roof.tex", kTextures, CompressibleBytes(800, 17)},
      {"maps\\a.map", kArchiveGroup, RandomBytes(2000, 18)},
      {"maps\\deep\\c.map", kArchiveGroup, CompressibleBytes(3000, 19)},
      {"maps\\deep\\deeper\\d.map", kArchiveGroup, RandomBytes(700, 20)},
      {"fresh.txt", kArchiveGroup, ToBytes("fresh")},
      {"bin\\tool.exe", kLoose, RandomBytes(900, 21)},
      {"bin\\plugins\\x.dll", kLoose, RandomBytes(400, 22)},
      {"docs\\readme.txt", kLoose, CompressibleBytes(300, 23)},
  };
  return entries;
}

// The contents of the groups, later groups replacing earlier ones' entries of a name.
Files ContentsOf(std::initializer_list<uint16_t> groups) {
  Files out;
  for (uint16_t group : groups) {
    for (const RawEntry& e : PackageEntries()) {
      if (e.group == group) out[e.name] = e.content;
    }
  }
  return out;
}

// What the product's folder holds, as the game and the player see it.
struct InstallState {
  std::map<std::string, KzpContents> packages;  // by package name
  Files archive;                                // the VFS archive's files, by path
  std::vector<std::string> archiveProblems;     // what the independent reader finds wrong
  Files loose;                                  // every other file, by path in the folder
  bool operator==(const InstallState&) const = default;
};

class PatchCrashTest : public ScriptRunTest {
 protected:
  void SetUp() override {
    ScriptRunTest::SetUp();
    language_ = Utf16File(
        u"English\r\n0409;\r\n18 Extracting <%FILENAME%>\r\n19 Processing <%KZPNAME%>: <%FNUM%> of "
        u"<%FTOTAL%> files\r\n"
        u"20 Writing <%KZPNAME%>`s Header\r\n29 Loading <%KZPNAME%>\r\n");
    context.Languages = TLanguages();
    context.Languages.Add(language_.data(), language_.size());
    context.Languages.Current = 0;
    OpenPackage(PackageEntries());
    const std::string password = EncodeString(PackagePasswordKey, "pw");

    // The old install: packages and archive filled from empty ones, loose files.
    fs::create_directories(Local(kFolder));
    for (const std::string& name : kPackages) WriteFileBytes(InFolder(name), EmptyKzpPackage());
    WriteFileBytes(InFolder(kArchive), EmptyArchive(512, 120, 8));
    Line("kzpupdate", {"src", password, "game.kzp", std::to_string(kOldGame)});
    Line("kzpupdate", {"src", password, "textures.kzp", std::to_string(kOldTextures)});
    Line("vfsupdate", {"src", kArchive, std::to_string(kOldArchive)});
    Line("file", {"payload", std::to_string(kOldLoose)});
    Run();
    ASSERT_FALSE(context.Run.SetupFailed);
    fs::copy(Local(kFolder), dir_.Path("old"), fs::copy_options::recursive);

    // The patch; the archive's line leaves it open, the end of the script closes it.
    context.CompiledLines.Clear();
    Line("kzpupdate", {"src", password, "game.kzp", std::to_string(kGame)});
    Line("vfsupdate", {"src", kArchive, "0", std::to_string(kArchiveGroup)});
    Line("kzpupdate", {"src", password, "textures.kzp", std::to_string(kTextures)});
    Line("file", {"payload", std::to_string(kLoose)});
  }

  static std::string InFolder(const std::string& name) { return Local(std::string(kFolder) + "\\" + name); }

  void RestoreOldInstall() {
    fs::remove_all(Local(kFolder));
    fs::copy(dir_.Path("old"), Local(kFolder), fs::copy_options::recursive);
  }

  void RunPatch() {
    context.Run.SetupFailed = false;
    Run();
  }

  static InstallState State() {
    InstallState s;
    for (const std::string& name : kPackages) s.packages[name] = ContentsOfKzp(InFolder(name));
    const ReadArchive archive = ReadAndValidate(InFolder(kArchive));
    s.archiveProblems = archive.problems;
    s.archive = FilesOf(archive);
    const fs::path root = Local(kFolder);
    for (const auto& item : fs::recursive_directory_iterator(root)) {
      const std::string path = fs::relative(item.path(), root).string();
      const bool isArchive =
          path == kArchive || path == kArchiveIndex || path == kPackages[0] || path == kPackages[1];
      if (item.is_regular_file() && !isArchive) s.loose[path] = ReadFileBytes(item.path().string());
    }
    return s;
  }

  // What is wrong with the folder after a rerun, beyond its state: a journal left
  // anywhere, an archive that does not open or does not check clean.
  static std::string Damage() {
    std::string out;
    for (const auto& item : fs::recursive_directory_iterator(Local(kFolder))) {
      if (item.path().filename().string().find(".journal") != std::string::npos) {
        out += "journal left: " + item.path().filename().string() + "\n";
      }
    }
    TVFSFile archive;
    if (!archive.Open(InFolder(kArchive), /*fullTree=*/true, {}, /*writable=*/false)) {
      out += "archive does not open: " + archive.Damage() + "\n";
    }
    archive.Close();
    std::ostringstream report;
    if (setupc::VfsCheck(InFolder(kArchive), report, report) != 0) out += report.str();
    return out;
  }
};

TEST_F(PatchCrashTest, APatchEndedAtAnyWriteIsFinishedByRunningItAgain) {
  MessageRecorder boxes;
  RestoreOldInstall();
  const uint64_t start = platform::posix::FileWriteCount();
  RunPatch();
  const uint64_t writes = platform::posix::FileWriteCount() - start;
  ASSERT_FALSE(context.Run.SetupFailed);
  ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
  const InstallState patched = State();
  // The uninterrupted run itself against the contents the groups give.
  ASSERT_EQ(patched.packages.at("game.kzp"), ContentsOf({kOldGame, kGame}));
  ASSERT_EQ(patched.packages.at("textures.kzp"), ContentsOf({kOldTextures, kTextures}));
  ASSERT_EQ(patched.archive, ContentsOf({kOldArchive, kArchiveGroup}));
  ASSERT_EQ(patched.archiveProblems, std::vector<std::string>{});
  Files loose;
  for (const auto& [name, content] : ContentsOf({kOldLoose, kLoose})) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    loose[path] = content;
  }
  ASSERT_EQ(patched.loose, loose);
  ASSERT_EQ(Damage(), "");

  // Every write of the run, then one point past the last (the child finishes).
  const uint64_t points = writes + 1;
  std::vector<std::string> faults;
  std::map<std::string, size_t> journalsLeft;  // by archive: points whose child left its journal
  for (uint64_t point = 1; point <= points; ++point) {
    RestoreOldInstall();
    // The hook cannot end the very first write after it is set (0 turns it off): one
    // write of a scratch file first makes `point` the number of the run's write.
    const std::string end = EndOfChildCutAfter(point, [&] {
      platform::File scratch;
      if (!scratch.Open(dir_.Path("scratch"), platform::OpenMode::CreateAlways) || !scratch.Write("x", 1)) {
        _exit(1);
      }
      scratch.Close();
      RunPatch();
    });
    ASSERT_EQ(end, point <= writes ? kCutShort : "exit 0") << point;
    for (const std::string& name : {kPackages[0], kPackages[1], std::string(kArchive)}) {
      journalsLeft[name] += fs::exists(InFolder(name) + ".journal");
    }

    boxes.boxes.clear();
    RunPatch();
    std::string fault;
    if (context.Run.SetupFailed) fault += "the run failed\n";
    for (const auto& box : boxes.boxes) fault += "box: " + box.text + "\n";
    const InstallState now = State();
    for (const std::string& name : kPackages) {
      if (now.packages.at(name) != patched.packages.at(name)) fault += name + " differs\n";
    }
    if (now.archive != patched.archive) fault += std::string(kArchive) + " differs\n";
    for (const std::string& problem : now.archiveProblems) fault += problem + "\n";
    if (now.loose != patched.loose) fault += "loose files differ\n";
    fault += Damage();
    if (!fault.empty()) {
      faults.push_back("write " + std::to_string(point) + ":\n" + fault);
    }
  }

  std::string left;
  for (const auto& [name, count] : journalsLeft) {
    left += " " + name + " " + std::to_string(count);
    // Each archive's recovery must have been put to work by some point.
    EXPECT_GT(count, 0u) << name;
  }
  std::printf(
      "%llu points tried over the %llu writes of the patch (every write, and past the last); "
      "journals left for the rerun:%s\n",
      static_cast<unsigned long long>(points), static_cast<unsigned long long>(writes), left.c_str());
  EXPECT_GE(points, 50u);
  std::string first;
  for (size_t i = 0; i < faults.size() && i < 8; ++i) first += faults[i];
  EXPECT_TRUE(faults.empty()) << faults.size() << " of " << points << " points end wrong; the first:\n"
                              << first;
}

}  // namespace
}  // namespace setup::test
