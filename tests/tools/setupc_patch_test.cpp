// setupc diff -o (WritePatchSource): a PCM sound block turned back into a WAVE file
// converts into the same block; an ADPCM block takes its WAVE file from --sources only
// when it converts exactly; the patch of a small hand-built diff compiles and holds its
// guard before every change; the same diff writes the same folder; an OUT that is not
// empty is refused and left as it is.
#include <filesystem>
#include <sstream>

#include "base/crc32.h"
#include "package/kzp_sound.h"
#include "setupc/diff/patch_script.h"
#include "setupc/diff/patch_sound.h"
#include "setupc/diff/patch_writer.h"
#include "setupc/commands.h"
#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ToBytes;

// A RIFF WAVE file: the 44-byte header, frames of sample bytes, then a "cue " chunk
// with the given positions (in frames) and any further chunks.
Bytes Wave(uint16_t channels, uint16_t bits, uint32_t frames, const std::vector<uint32_t>& cues,
           const Bytes& trailing = {}) {
  const uint32_t rate = 22050;
  const uint32_t frameSize = channels * bits / 8u;
  const uint32_t dataLength = frames * frameSize;
  Bytes w = ToBytes("RIFF");
  test::AppendU32(w, 0);  // the RIFF size: set below
  for (const char* tag : {"WAVE", "fmt "}) w.insert(w.end(), tag, tag + 4);
  test::AppendU32(w, 16);
  test::AppendU16(w, 1);
  test::AppendU16(w, channels);
  test::AppendU32(w, rate);
  test::AppendU32(w, rate * frameSize);
  test::AppendU16(w, static_cast<uint16_t>(frameSize));
  test::AppendU16(w, bits);
  w.insert(w.end(), {'d', 'a', 't', 'a'});
  test::AppendU32(w, dataLength);
  const Bytes samples = test::RandomBytes(dataLength, channels * 100 + bits);
  w.insert(w.end(), samples.begin(), samples.end());
  if (!cues.empty()) {
    w.insert(w.end(), {'c', 'u', 'e', ' '});
    test::AppendU32(w, static_cast<uint32_t>(4 + 24 * cues.size()));
    test::AppendU32(w, static_cast<uint32_t>(cues.size()));
    for (size_t i = 0; i < cues.size(); ++i) {
      for (uint32_t v : {static_cast<uint32_t>(i), cues[i], 0x61746164u, 0u, 0u, cues[i]}) test::AppendU32(w, v);
    }
  }
  w.insert(w.end(), trailing.begin(), trailing.end());
  test::SetU32At(w, 4, static_cast<uint32_t>(w.size() - 8));
  return w;
}

Bytes ListChunk(uint32_t length) {
  Bytes chunk = ToBytes("LIST");
  test::AppendU32(chunk, length);
  chunk.resize(chunk.size() + length, 'x');
  return chunk;
}

TEST(PatchSoundTest, PcmBlocksComeBackAsWaveFilesThatConvertIntoTheSameBlock) {
  struct Case {
    const char* what;
    std::string name;
    Bytes wave;
    uint8_t endIsDataEnd;  // header byte 53 of the block
  };
  const std::vector<Case> cases = {
      {"8-bit mono, no loop", "a.wav", Wave(1, 8, 1001, {}), 0},
      {"16-bit mono below \\Effects\\, no loop", "snd\\Effects\\b.wav", Wave(1, 16, 700, {}), 0},
      {"16-bit mono, one cue point: loop to the data's end", "c.wav", Wave(1, 16, 900, {120}), 1},
      {"16-bit stereo, two cue points", "d.WAV", Wave(2, 16, 800, {10, 700}), 0},
      {"16-bit stereo, two cue points, end first", "e.wav", Wave(2, 16, 800, {700, 10}), 0},
      {"8-bit stereo, one cue point at 0", "f.wav", Wave(2, 8, 333, {0}), 1},
      {"16-bit mono, a LIST chunk after the cue (the file is longer)", "g.wav",
       Wave(1, 16, 500, {5, 400}, ListChunk(37)), 0},
      {"16-bit mono below \\Effects\\, 5 bytes after the data", "x\\Effects\\h.wav",
       Wave(1, 16, 64, {}, ToBytes("12345")), 0},
      {"8-bit mono, one cue point, a LIST chunk", "i.wav", Wave(1, 8, 64, {3}, ListChunk(3)), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<Bytes> block = BuildSoundBlock(c.name, c.wave);
    ASSERT_TRUE(block);
    ASSERT_EQ((*block)[44], 0) << "a PCM block";
    EXPECT_EQ((*block)[53], c.endIsDataEnd);
    // The file as small as it can be, and as long as the record says the original was.
    for (uint64_t size : {uint64_t{0}, uint64_t{c.wave.size()}}) {
      const std::optional<Bytes> wave = WaveFromPcmBlock(*block, size);
      ASSERT_TRUE(wave);
      if (size != 0) {
        EXPECT_EQ(wave->size(), size);
      }
      EXPECT_EQ(BuildSoundBlock(c.name, *wave), block);
    }
  }
}

TEST(PatchSoundTest, AdpcmSoundsTakeTheirWaveFromTheSourcesOnlyWhenItConvertsExactly) {
  test::TempDir dir;
  const Bytes music = Wave(2, 16, 3000, {});
  const std::string name = "sounds\\music.wav";
  const Bytes block = *BuildSoundBlock(name, music);
  ASSERT_EQ(block[44], 1) << "an ADPCM block";
  EXPECT_FALSE(WaveFromPcmBlock(block));

  Bytes wave;
  SourceWaves none(std::nullopt);
  EXPECT_EQ(FindSoundWave(name, block, music.size(), none, wave), "sound without its source WAV");

  // Another file of the same base name: found, but it converts into another block.
  fs::create_directories(dir.Path("src/other"));
  test::WriteFileBytes(dir.Path("src/other/Music.wav"), Wave(2, 16, 3001, {}));
  SourceWaves wrong(fs::path(dir.Path("src")));
  EXPECT_EQ(FindSoundWave(name, block, music.size(), wrong, wave), "source WAV does not convert to the new block");

  // The same file with a chunk more (its RIFF size as it was): the same block, but
  // another record size.
  fs::create_directories(dir.Path("src/longer"));
  Bytes longerMusic = music;
  const Bytes list = ListChunk(10);
  longerMusic.insert(longerMusic.end(), list.begin(), list.end());
  test::WriteFileBytes(dir.Path("src/longer/music.wav"), longerMusic);
  SourceWaves longer(fs::path(dir.Path("src")));
  EXPECT_EQ(FindSoundWave(name, block, music.size(), longer, wave),
            "source WAV converts to the new block, but its size is not the one the package records");

  // The file at the entry's path, letter case ignored, is tried first.
  fs::create_directories(dir.Path("src/Sounds"));
  test::WriteFileBytes(dir.Path("src/Sounds/MUSIC.WAV"), music);
  SourceWaves right(fs::path(dir.Path("src")));
  const std::vector<std::string> candidates = right.Candidates(name);
  ASSERT_EQ(candidates.size(), 3u);
  EXPECT_EQ(fs::path(candidates[0]).filename(), "MUSIC.WAV");
  EXPECT_EQ(FindSoundWave(name, block, music.size(), right, wave), "");
  EXPECT_EQ(wave, music);
}

class PatchWriterTest : public SetupcTest {
 protected:
  void SetUp() override {
    SetDiffCommand(DiffCommand);
    // NEW: loose files, a KZP package with a password, a VFS archive.
    File("new/app.exe", ToBytes("app 2.0"));
    File("new/new stuff/added.txt", ToBytes("added"));
    File("kzpsrc/text.dat", test::CompressibleBytes(3000, 3));
    File("kzpsrc/copy.dat", test::CompressibleBytes(3000, 3));
    File("kzpsrc/Twin.dat", test::CompressibleBytes(3000, 3));
    File("kzpsrc/sounds/music.wav", music_);
    File("kzpsrc/sounds/Effects/boom.wav", Wave(1, 16, 400, {50}));
    fs::create_directories(Path("new/data"));
    RunResult r = Run({"kzp", "pack", Path("kzpsrc"), Path("new/data/main.kzp"), "--password", "pw", "--official"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    File("vfssrc/maps/start.map", ToBytes("start map 2"));
    r = Run({"vfs", "create", Path("vfssrc"), Path("new/data/game.vfs"), "--block-size", "512", "--blocks", "64",
             "--roots", "8"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    File("sources/Sounds/Music.wav", music_);
    Source("stub.exe", ToBytes("MZ fake stub"));

    diff_.Files = {
        {ChangeKind::Changed, "app.exe", FileFormat::Plain, 7, 7, 0x11111111, Crc32(ToBytes("app 2.0"))},
        {ChangeKind::Added, "new stuff\\added.txt", FileFormat::Plain, 0, 5, 0, 0},
        {ChangeKind::Removed, "old.txt", FileFormat::Plain, 3, 0, 0x22222222, 0},
    };
    diff_.AddedFolders = {"empty", "new stuff"};
    diff_.RemovedFolders = {"gone", "gone\\deeper"};
    KzpDiff kzp;
    kzp.Path = "data\\main.kzp";
    kzp.OldFileCrc = 0x33333333;
    kzp.Entries = {
        {ChangeKind::Added, "copy.dat", 2, 3000, 0},
        {ChangeKind::Removed, "old.dat", 0, 0, 0},
        {ChangeKind::Added, "sounds\\Effects\\boom.wav", 1, 0, 0},
        {ChangeKind::Added, "sounds\\music.wav", 1, 0, 0},
        {ChangeKind::Changed, "text.dat", 2, 3000, 0},
        {ChangeKind::Added, "Twin.dat", 2, 3000, 0},
    };
    // duplicateentry names its entry in lower case: "Twin.dat" is written as a file.
    kzp.SharedNames = {{"text.dat", "copy.dat"}, {"text.dat", "Twin.dat"}};
    kzp.OldOfficial = false;
    kzp.NewOfficial = true;
    kzp.NewPassword = "pw";
    diff_.Packages = {kzp};
    VfsDiff vfs;
    vfs.Path = "data\\game.vfs";
    vfs.OldFileCrc = 0x44444444;
    vfs.Files = {{ChangeKind::Added, "maps\\README", 1, 0}, {ChangeKind::Changed, "maps\\start.map", 11, 0}};
    diff_.Archives = {vfs};

    options_.oldRoot = Path("old");
    options_.newRoot = Path("new");
    options_.sources = fs::path(Path("sources"));
    options_.logPrefix = "demo_";
    options_.regKey = {"HKLM", "Software\\Demo", "Path"};
  }

  void File(const std::string& name, const Bytes& content) {
    fs::create_directories(fs::path(Path(name)).parent_path());
    Source(name, content);
  }

  RunResult Write(const std::string& out, TreeDiff& diff, bool allowPartial = false) {
    PatchOptions options = options_;
    options.output = Path(out);
    options.allowPartial = allowPartial;
    std::ostringstream o, e;
    const int code = WritePatchSource(diff, options, o, e);
    return {code, o.str(), e.str()};
  }

  std::string Script(const std::string& out) {
    const Bytes text = test::ReadFileBytes(Path(out + "/setup.txt"));
    return std::string(text.begin(), text.end());
  }

  const Bytes music_ = Wave(1, 16, 5000, {});
  TreeDiff diff_;
  PatchOptions options_;
};

TEST_F(PatchWriterTest, ThePatchOfASmallDiffHoldsItsGuardBeforeEveryChangeAndCompiles) {
  TreeDiff diff = diff_;
  RunResult r = Write("patch", diff);
  EXPECT_EQ(r.code, kExitFailed) << "two differences left out";
  EXPECT_NE(r.err.find("leaves out 2 differences"), std::string::npos) << r.err;
  ASSERT_EQ(diff.Inexpressibles.size(), 2u);
  EXPECT_EQ(diff.Inexpressibles[0].Path + ": " + diff.Inexpressibles[0].Entry + ": " + diff.Inexpressibles[0].Reason,
            "data\\main.kzp: old.dat: entry removed");
  EXPECT_EQ(diff.Inexpressibles[1].Path + ": " + diff.Inexpressibles[1].Entry + ": " + diff.Inexpressibles[1].Reason,
            "data\\game.vfs: maps\\README: path without a \".\", which vfsupdate puts at the archive's top level");

  // The payload: loose files, the package's entries (sounds as WAVE files; copy.dat
  // made by duplicateentry), the archive's file.
  EXPECT_EQ(test::ReadFileBytes(Path("patch/files/app.exe")), ToBytes("app 2.0"));
  EXPECT_EQ(test::ReadFileBytes(Path("patch/files/new stuff/added.txt")), ToBytes("added"));
  EXPECT_EQ(test::ReadFileBytes(Path("patch/kzp/1/sounds/music.wav")), music_);
  EXPECT_TRUE(fs::exists(Path("patch/kzp/1/sounds/Effects/boom.wav")));
  EXPECT_TRUE(fs::exists(Path("patch/kzp/1/text.dat")));
  EXPECT_FALSE(fs::exists(Path("patch/kzp/1/copy.dat")));
  EXPECT_TRUE(fs::exists(Path("patch/kzp/1/Twin.dat")));
  EXPECT_EQ(test::ReadFileBytes(Path("patch/vfs/1/maps/start.map")), ToBytes("start map 2"));

  const std::string script = Script("patch");
  const std::string appNew = CrcDigits(Crc32(ToBytes("app 2.0")));
  const std::vector<std::string> inOrder = {
      "iffilecrc \"$INSTDIR\\app.exe\" 11111111 guard1_ok guard1_new\ngoto wrongbuild\nguard1_new:\n"
      "iffilecrc \"$INSTDIR\\app.exe\" " + appNew + " guard1_ok\ngoto wrongbuild\nguard1_ok:\n",
      "iffilecrc \"$INSTDIR\\old.txt\" 22222222 guard2_ok guard2_gone\ngoto wrongbuild\nguard2_gone:\n"
      "iffileexists \"$INSTDIR\\old.txt\" -1 guard2_ok\ngoto wrongbuild\nguard2_ok:\n",
      "iffilecrc \"$INSTDIR\\data\\main.kzp\" 33333333 guard3_ok\ngoto wrongbuild\nguard3_ok:\n",
      "iffilecrc \"$INSTDIR\\data\\game.vfs\" 44444444 guard4_ok\ngoto wrongbuild\nguard4_ok:\n",
      "goto guard_passed\nwrongbuild:\nmessagebox \"The folder $INSTDIR does not hold the build this patch was made for",
      "failure\nguard_passed:\n",
      "uninstalllogload \"$INSTDIR\" \"demo_\"\n",
      "kzpupdate \"kzp\\1\" \"pw\" \"data\\main.kzp\"\n",
      "duplicateentry \"data\\main.kzp\" \"text.dat\" \"copy.dat\"\nkzpofficial",
      " \"data\\main.kzp\" qorvint 1\n",
      "vfsupdate \"vfs\\1\" \"data\\game.vfs\" 1\n",
      "delete \"$INSTDIR\\old.txt\"\n",
      "rmdir \"$INSTDIR\\gone\\deeper\"\nrmdir \"$INSTDIR\\gone\"\n",
      "file \"files\"\n",
      "createdirectory \"$INSTDIR\\empty\"\n",
      "uninstalllogsave \"$INSTDIR\" \"demo_\"\n",
  };
  size_t at = 0;
  for (const std::string& part : inOrder) {
    const size_t found = script.find(part, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order:\n" << part << "\nin:\n" << script;
    at = found + part.size();
  }
  EXPECT_NE(script.find("name \"new patch\"\noutfile setup.exe\ninstalldir \"$PROGRAMFILES\\new\\\"\n"
                        "installdirregkey \"HKLM\" \"Software\\Demo\" \"Path\"\npages default\nlanguage english\n"),
            std::string::npos)
      << script;
  EXPECT_EQ(script.find("uninstallpages"), std::string::npos);
  EXPECT_EQ(script.find("createdirectory \"$INSTDIR\\new stuff\""), std::string::npos) << "made by its file";

  r = Run({"compile", Path("patch/setup.txt"), "--stub", Path("stub.exe")});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  r = Run({"verify", Path("patch/setup.exe")});
  EXPECT_EQ(r.code, kExitOk) << r.err;

  // --allow-partial: the same folder, exit 0; the same diff writes the same bytes.
  diff = diff_;
  r = Write("again", diff, true);
  EXPECT_EQ(r.code, kExitOk) << r.err;
  const test::Listing first = test::SortedListing(Path("patch"));
  test::Listing second = test::SortedListing(Path("again"));
  second.emplace_back("setup.exe", false);  // compiled in the first folder only
  std::sort(second.begin(), second.end());
  EXPECT_EQ(first, second);
  for (const auto& entry : fs::recursive_directory_iterator(Path("again"))) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = fs::relative(entry.path(), Path("again")).string();
    EXPECT_EQ(test::ReadFileBytes(entry.path().string()), test::ReadFileBytes(Path("patch/" + relative))) << relative;
  }
}

TEST_F(PatchWriterTest, AnOutputFolderThatIsNotEmptyIsRefusedAndLeftAsItIs) {
  File("taken/mine.txt", ToBytes("the author's"));
  TreeDiff diff = diff_;
  RunResult r = Write("taken", diff);
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_EQ(LineCount(r.err), 1u) << r.err;
  EXPECT_NE(r.err.find("is not empty"), std::string::npos) << r.err;
  EXPECT_EQ(test::SortedListing(Path("taken")), (test::Listing{{"mine.txt", false}}));
  EXPECT_EQ(test::ReadFileBytes(Path("taken/mine.txt")), ToBytes("the author's"));

  File("afile", ToBytes("x"));
  r = Write("afile", diff);
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("is not a folder"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace setup::setupc
