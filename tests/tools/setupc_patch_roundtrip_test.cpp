// Two builds of a product with every kind of change: the patch that "diff -o" writes,
// compiled and applied to a copy of the old build, gives the new build; applied to a
// build it was not made from, it stops at its guard and changes nothing.

#include <filesystem>
#include <map>

#include "base/crc32.h"
#include "base/zlib_codec.h"
#include "package/kzp_format.h"
#include "package/kzp_sound.h"
#include "setupc/commands.h"
#include "setupc_fixture.h"
#include "wave_files.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

struct KzpItem {
  std::string name;
  Bytes content;            // the data, or the WAVE file of a sound
  std::string sharesWith;   // another item's name: this record points at its block
};

// A package written from its format: blocks in item order, then the tail.
Bytes KzpPackage(const std::vector<KzpItem>& items, const std::string& password, bool official) {
  Bytes file;
  std::vector<TKzpRecord> records;
  std::map<std::string, size_t> byName;
  for (const KzpItem& item : items) {
    TKzpRecord r;
    r.Name = item.name;
    r.Size = static_cast<uint32_t>(item.content.size());
    if (!item.sharesWith.empty()) {
      const TKzpRecord& source = records[byName.at(item.sharesWith)];
      r.Kind = source.Kind, r.Offset = source.Offset, r.StoredLength = source.StoredLength, r.Size = source.Size;
    } else {
      Bytes block;
      if (IsSoundEntryName(item.name)) {
        r.Kind = kKzpKindSound;
        block = *BuildSoundBlock(item.name, item.content);
      } else {
        block = test::Deflate(item.content);
        ToggleBlockCrc(block);
      }
      r.Offset = static_cast<uint32_t>(file.size());
      r.StoredLength = static_cast<uint32_t>(block.size());
      file.insert(file.end(), block.begin(), block.end());
    }
    byName[item.name] = records.size();
    records.push_back(r);
  }
  std::vector<const TKzpRecord*> pointers;
  for (const TKzpRecord& r : records) pointers.push_back(&r);
  const Bytes tail = BuildKzpTail(pointers, password, official, 3, 5);
  file.insert(file.end(), tail.begin(), tail.end());
  return file;
}

std::vector<int16_t> Samples(size_t count, int seed) {
  std::vector<int16_t> s(count);
  for (size_t i = 0; i < count; ++i) s[i] = static_cast<int16_t>((static_cast<int>(i) * seed * 37) % 20000 - 10000);
  return s;
}

// Every file below a folder with its bytes, by relative path.
std::map<std::string, Bytes> Snapshot(const fs::path& root) {
  std::map<std::string, Bytes> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(e.path(), root).generic_string();
    files[relative + (e.is_directory() ? "/" : "")] = e.is_directory() ? Bytes{} : test::ReadFileBytes(e.path().string());
  }
  return files;
}

class PatchRoundTripTest : public SetupcTest {
 protected:
  void SetUp() override {
    SetApplyCommand(ApplyCommand);
    SetDiffCommand(DiffCommand);
  }

  void Put(const std::string& relative, const Bytes& content) {
    const fs::path path = fs::path(Path(relative));
    fs::create_directories(path.parent_path());
    test::WriteFileBytes(path.string(), content);
  }

  // OLD (or a third build when `third`) and NEW: loose files changed, added and removed
  // in nested folders, a KZP package, a VFS archive, and an archive new in NEW.
  void MakeBuilds(bool removeEntry = false) {
    const Bytes pcmOld = test::Wave(Samples(3000, 1), 1, 16, test::Cue({100, 900}));
    const Bytes pcmNew = test::Wave(Samples(3200, 2), 2, 16, test::Cue({40}));
    const Bytes adpcmOld = test::Wave(Samples(5000, 3), 1);
    const Bytes adpcmNew = test::Wave(Samples(6000, 4), 2);
    for (const char* build : {"old", "third", "new"}) {
      const std::string b = build;
      const bool isNew = b == "new";
      Put(b + "/game.exe", test::ToBytes("MZ the game " + b.substr(0, isNew ? 3 : 0)));
      Put(b + "/docs/readme.txt", test::ToBytes("same in every build"));
      if (!isNew) Put(b + "/docs/old/gone.txt", test::ToBytes("only the old build has this"));
      if (isNew) Put(b + "/new/deep/added.txt", test::ToBytes("new file"));
      if (isNew) Put(b + "/extra/bonus.kzp", KzpPackage({{"x.dat", test::ToBytes("bonus"), ""}}, "", false));

      std::vector<KzpItem> items = {
          {"a.dat", test::CompressibleBytes(5000, isNew ? 2 : 1), ""},
          {"keep.dat", test::CompressibleBytes(3000, 9), ""},
          {"sfx\\loop.wav", isNew ? pcmNew : pcmOld, ""},
          {"music\\tune.wav", isNew ? adpcmNew : adpcmOld, ""},
      };
      if (b == "third") items[1].content = test::ToBytes("a third build");
      if (isNew) {
        items.push_back({"c.dat", test::CompressibleBytes(700, 4), ""});
        items.push_back({"d.dat", {}, "c.dat"});
        std::swap(items[0], items[1]);  // the order of records is no difference
      }
      if (!isNew || !removeEntry) items.push_back({"old.dat", test::ToBytes("kept"), ""});
      Put(b + "/Data/Main.kzp", KzpPackage(items, "secret", isNew));

      const std::string vfsFiles = Path("vfs-" + b);
      Put("vfs-" + b + "/maps/start.map", test::ToBytes(isNew ? "new start" : "old start"));
      Put("vfs-" + b + "/maps/keep.map", test::ToBytes("kept"));
      if (isNew) Put("vfs-" + b + "/maps/deep/v1.2/more.map", test::CompressibleBytes(120000, 5));
      ASSERT_EQ(Run({"vfs", "create", vfsFiles, Path(b + "/Data/world.vfs"), "--block-size", "512", "--blocks",
                     "1024", "--roots", "16"})
                    .code,
                kExitOk);
    }
    Put("sources/music/tune.wav", adpcmNew);
  }

  RunResult MakePatch(const std::vector<std::string>& more = {}) {
    RunResult r = Run({"diff", Path("old"), Path("new"), "-o", Path("patch"), "--sources", Path("sources")}, more);
    if (r.code != kExitOk && r.code != kExitFailed) return r;
    const RunResult compiled = Run({"compile", Path("patch/setup.txt"), "--stub", Source("stub.exe", test::ToBytes("MZ fake stub"))});
    EXPECT_EQ(compiled.code, kExitOk) << compiled.err;
    return r;
  }

  RunResult Apply(const std::string& folder) { return Run({"apply", Path("patch/setup.exe"), Path(folder)}); }
};

TEST_F(PatchRoundTripTest, PatchTurnsOldIntoNewAndIsRefusedByAnotherBuild) {
  MakeBuilds();
  const RunResult report = Run({"diff", Path("old"), Path("new")});
  EXPECT_EQ(report.code, kExitFailed) << report.err;
  for (const char* part : {"game.exe", "gone.txt", "added.txt", "bonus.kzp", "c.dat", "tune.wav", "more.map"}) {
    EXPECT_NE(report.out.find(part), std::string::npos) << part << "\n" << report.out;
  }

  const RunResult made = MakePatch();
  ASSERT_EQ(made.code, kExitOk) << made.err;
  fs::copy(Path("old"), Path("target"), fs::copy_options::recursive);
  const RunResult applied = Apply("target");
  ASSERT_EQ(applied.code, 0) << applied.out << applied.err;
  const RunResult equal = Run({"diff", Path("target"), Path("new")});
  EXPECT_EQ(equal.code, kExitOk) << equal.out << equal.err;

  // Once more on the patched folder: whatever the guard decides, the folder stays NEW.
  Apply("target");
  EXPECT_EQ(Run({"diff", Path("target"), Path("new")}).code, kExitOk);

  // A build the patch was not made from: stopped before anything changes.
  const auto before = Snapshot(Path("third"));
  const RunResult refused = Apply("third");
  EXPECT_EQ(refused.code, 2) << refused.out << refused.err;
  EXPECT_TRUE(Snapshot(Path("third")) == before);
}

TEST_F(PatchRoundTripTest, WhatNoCommandCanMakeIsNamedAndFailsUnlessAllowed) {
  MakeBuilds(/*removeEntry=*/true);
  const RunResult strict = MakePatch();
  EXPECT_EQ(strict.code, kExitFailed);
  EXPECT_NE(strict.err.find("old.dat"), std::string::npos) << strict.err;
  fs::remove_all(Path("patch"));
  EXPECT_EQ(MakePatch({"--allow-partial"}).code, kExitOk);
}

TEST_F(PatchRoundTripTest, IdenticalBuildsGiveAnEmptyPatchThatChangesNothing) {
  MakeBuilds();
  fs::remove_all(Path("new"));
  fs::copy(Path("old"), Path("new"), fs::copy_options::recursive);
  EXPECT_EQ(Run({"diff", Path("old"), Path("new")}).code, kExitOk);
  ASSERT_EQ(MakePatch().code, kExitOk);
  const auto before = Snapshot(Path("old"));
  EXPECT_EQ(Apply("old").code, 0);
  EXPECT_TRUE(Snapshot(Path("old")) == before);
}

}  // namespace
}  // namespace setup::setupc
