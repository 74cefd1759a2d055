// fuzz_seeds CORPUS-FOLDER: writes the seed inputs of every fuzz target with the
// project's own writers (setupc compile, pack, kzp pack and vfs create, the record
// encoders, the journal), so that the fuzzers start from inputs the readers accept.
// The compile seeds (CORPUS-FOLDER/compile/*.setup) are written by hand; the setup
// seed is compiled from them. Run by hand after a format changes (fuzz/README.md).

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "base/byte_io.h"
#include "installlog/install_log.h"
#include "journal/archive_journal.h"
#include "package/pak.h"
#include "platform/files.h"
#include "platform/posix/posix_controls.h"
#include "script/setup_info.h"
#include "setupc/commands.h"
#include "setupc/local_files.h"
#include "setupc/setupc.h"
#include "targets/scratch.h"

namespace fs = std::filesystem;
using namespace setup;

namespace {

std::string outRoot;

Bytes TextBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

void Seed(const std::string& target, const std::string& name, ByteView bytes) {
  fs::create_directories(outRoot + "/" + target);
  const std::string path = outRoot + "/" + target + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    std::cerr << "cannot write " << path << "\n";
    std::exit(1);
  }
  std::fclose(file);
}

Bytes ReadAll(const std::string& path) {
  std::optional<Bytes> bytes = setupc::ReadWholeFile(path);
  if (!bytes) {
    std::cerr << "cannot read " << path << "\n";
    std::exit(1);
  }
  return *bytes;
}

void Run(const std::vector<std::string>& arguments) {
  if (setupc::RunSetupc(arguments, std::cout, std::cerr) != 0) {
    std::cerr << "setupc " << arguments[0] << " failed\n";
    std::exit(1);
  }
}

// A RIFF WAVE file: 16-byte "fmt ", then "data", then optional cue points.
Bytes Wave(uint16_t channels, uint16_t bits, uint32_t frames, const std::vector<uint32_t>& cues) {
  const uint32_t frameSize = channels * bits / 8u;
  const uint32_t dataLength = frames * frameSize;
  ByteWriter w;
  w.Raw(std::string("RIFF"));
  w.U32(0);  // filled below
  w.Raw(std::string("WAVEfmt "));
  w.U32(16);
  w.U16(1);
  w.U16(channels);
  w.U32(22050);
  w.U32(22050 * frameSize);
  w.U16(static_cast<uint16_t>(frameSize));
  w.U16(bits);
  w.Raw(std::string("data"));
  w.U32(dataLength);
  for (uint32_t i = 0; i < dataLength; ++i) {
    const uint8_t b = static_cast<uint8_t>((i * 37u) ^ (i >> 3));
    w.Raw(ByteView(&b, 1));
  }
  if (!cues.empty()) {
    w.Raw(std::string("cue "));
    w.U32(4 + 24 * static_cast<uint32_t>(cues.size()));
    w.U32(static_cast<uint32_t>(cues.size()));
    for (size_t i = 0; i < cues.size(); ++i) {
      w.U32(static_cast<uint32_t>(i + 1));
      w.U32(cues[i]);
      w.Raw(std::string("data"));
      w.U32(0);
      w.U32(0);
      w.U32(cues[i]);
    }
  }
  Bytes bytes = w.take();
  PutU32(&bytes[4], static_cast<uint32_t>(bytes.size() - 8));
  return bytes;
}

void WriteLocal(const std::string& path, ByteView bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::exit(1);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

void PackageSeeds() {
  const std::string& folder = fuzz::CompileFolder();
  // The stub of a seed setup: a few bytes are enough, the package follows them.
  WriteLocal(folder + "/stub.exe", TextBytes("MZ fuzz seed stub"));
  for (const char* script : {"full", "small"}) {
    const std::string source = outRoot + "/compile/" + script + ".setup";
    WriteLocal(folder + "/" + script + ".setup", ReadAll(source));
    const std::string output = folder + "/" + script + ".exe";
    Run({"compile", folder + "/" + script + ".setup", "-o", output, "--stub", folder + "/stub.exe",
         "--finaliser", folder + "/finalise.exe"});
    Seed("pak", std::string(script) + "-setup.bin", ReadAll(output));
    if (std::string(script) != "full") continue;
    // The records of group 0, as the stub reads them.
    TPak pak;
    if (!pak.Create(output)) std::exit(1);
    for (size_t i = 0; i < pak.Count(); ++i) {
      const TPakEntry& entry = pak.Entries()[i];
      std::optional<Bytes> content = pak.ExtractEntry(i);
      if (!content || entry.Group != 0) continue;
      if (entry.Name == "SetupInfo") Seed("setup_info", "full.bin", *content);
      if (entry.Name == "CompiledLines") Seed("comp_lines", "full.bin", *content);
      if (entry.Name.rfind("LANGUAGE-", 0) == 0) Seed("language", "english.txt", *content);
    }
  }
  // A stand-alone package: groups, a stored entry, an empty one, a duplicate name.
  const std::string packed = folder + "/groups.pak";
  std::remove(packed.c_str());
  Run({"pack", packed, "0:readme.txt=" + folder + "/readme.txt", "1:bin\\a.txt=" + folder + "/payload/a.txt",
       "1:bin\\empty.txt=" + folder + "/stub.exe", "2:ICON.ICO=" + folder + "/icon.ico",
       "2:icon.ico=" + folder + "/readme.txt"});
  Seed("pak", "groups.bin", ReadAll(packed));

  TSetupInfoFile info;
  info.SetupName = "Fuzz";
  info.InstallDir = "$PROGRAMFILES\\Fuzz";
  info.InstallDirRegKey[0] = {1, "Software\\Fuzz", "Path"};
  info.IsUninstaller = 1;
  Seed("setup_info", "uninstaller.bin", info.Serialize());
}

void TextSeeds() {
  const std::u16string language =
      u"Deutsch\r\n0407;0807;\r\n1 Willkommen bei <%SETUPTITLE%>\r\n$1F \"Text\" mit <LANG1>\r\n"
      u"\"3\"\tTab<BR>Zeile\r\n4 <LANG$1F><LANG4>\r\n";
  Bytes file = {0xFF, 0xFE};
  for (char16_t c : language) {
    file.push_back(static_cast<uint8_t>(c));
    file.push_back(static_cast<uint8_t>(c >> 8));
  }
  Seed("language", "german.txt", file);

  // The page set, then page1.txt, page2.txt, page3.txt after form feeds.
  Seed(
      "layout", "pages.txt",
      TextBytes(
          "[Pages]\r\npage1.txt\r\npage2.txt\r\npage3.txt\r\n[PageTypes]"
          "\r\nWelcome\r\nInstallDir\r\nFinish\r\n"
          "[Settings]\r\ncolour $00FF00\r\n"
          "\f[Side]\r\nType=TImage\r\nLeft=0\r\nTop=0\r\nWidth=180\r\nHeight=375\r\nFile=images\\Side.bmp\r\n"
          "Stretch=true\r\nCenter=true\r\nTile=true\r\n[Title]\r\nType=TLabel\r\nCaption=<LANG1>\r\n"
          "FontFace=Tahoma\r\nFontSize=10\r\nFontColour=$D4D4D4\r\nFontBold=true\r\nTransparent=true\r\n"
          "AutoSize=true\r\nWordWrap=true\r\n"
          "\f[Folder]\r\nType=TEdit\r\nText=$INSTDIR\r\nColour=16777215\r\n[Tree]\r\nType=TShellTreeView\r\n"
          "FontSelColour=$FF\r\nSelColour=$00FF00\r\n[Browse]\r\nType=TButton\r\nCaption=Browse\r\n"
          "Enabled=false\r\n[Frame]\r\nType=TPanel\r\nBorder=true\r\n[Line]\r\nType=TBevel\r\n"
          "[Choice]\r\nType=TRadio\r\nChecked=true\r\nCaption=<LANG2>\r\n"
          "\f[Notes]\r\nType=TMemo\r\nText=one<br>two\r\n[Log]\r\nType=TRichEdit\r\nFile=<%CHANGELOG%>\r\n"
          "Text=after\r\n[Gauge]\r\nType=TProgressBar\r\nForeColour=$FF0000\r\nBackColour=$000000\r\n"));

  InstallLogLists lists;
  lists.Files = {"$INSTDIR\\fuzz.exe", "$INSTDIR\\readme.txt", "$INSTDIR\\logs\\fuzz.log"};
  lists.RegistryEntries = {"HKLM \"Software\\Fuzz\" Path", "HKCU Software\\Fuzz \"\" \"x y\""};
  lists.Folders = {"$INSTDIR\\logs", "$INSTDIR"};
  Seed("install_log", "install.log", EncodeInstallLog(lists));
}

void ArchiveSeeds() {
  const std::string source = fuzz::ScratchFolder() + "/seed-source";
  std::string compressible;
  for (int i = 0; i < 200; ++i) compressible += "map line " + std::to_string(i % 7) + "\r\n";
  WriteLocal(source + "/kzp/Data.txt", TextBytes("kzp entry\r\n"));
  WriteLocal(source + "/kzp/Maps/start.map", TextBytes(compressible));
  WriteLocal(source + "/kzp/Sounds/ding.wav", Wave(1, 16, 300, {}));
  const std::string kzp = source + "/package.kzp";
  Run({"kzp", "pack", source + "/kzp", kzp, "--password", "secret", "--official"});
  Seed("kzp", "package.kzp", ReadAll(kzp));
  Run({"kzp", "pack", source + "/kzp", source + "/plain.kzp"});
  Seed("kzp", "plain.kzp", ReadAll(source + "/plain.kzp"));

  WriteLocal(source + "/vfs/readme.txt", TextBytes("read me\r\n"));
  WriteLocal(source + "/vfs/maps/start.map", TextBytes(compressible));
  WriteLocal(source + "/vfs/maps/arena/arena.map", TextBytes("arena\r\n"));
  const std::string vfs = source + "/out/game.vfs";
  Run({"vfs", "create", source + "/vfs", vfs, "--block-size", "64", "--blocks", "48", "--roots", "4"});
  Seed("vfs", "game.vfs", ReadAll(vfs));
  Seed("vfs_index", "game.ht", ReadAll(source + "/out/game.ht"));

  // Sound entries: the selector byte (1: an effect, kept as PCM), then the WAVE file.
  auto sound = [](const std::string& name, uint8_t selector, Bytes wave) {
    wave.insert(wave.begin(), selector);
    Seed("sound", name, wave);
  };
  sound("mono16.wav", 0, Wave(1, 16, 1100, {}));
  sound("stereo16.wav", 0, Wave(2, 16, 600, {}));
  sound("mono8.wav", 0, Wave(1, 8, 200, {}));
  sound("loop.wav", 0, Wave(1, 16, 100, {10, 90}));
  sound("start.wav", 0, Wave(2, 16, 100, {40}));
  sound("effect.wav", 1, Wave(1, 16, 100, {}));

  // A journal of two saved regions, as an update leaves it when interrupted, and one
  // that was committed.
  const std::string archive = source + "/journaled.bin";
  WriteLocal(archive, Bytes(200, 0x5A));
  for (bool commit : {false, true}) {
    platform::File file;
    ArchiveJournal journal;
    if (!file.Open(archive, platform::OpenMode::ReadWriteExclusive) || !journal.Begin(archive, file) ||
        !journal.Save(16, TextBytes("original header")) || !journal.Sync() || !journal.Save(190, TextBytes("tail")) ||
        !journal.Sync()) {
      std::exit(1);
    }
    if (commit) {
      platform::posix::RefuseRemove(JournalPath(archive), 1);
      if (journal.Commit(file) != ArchiveJournal::CommitResult::JournalLeft) std::exit(1);
    }
    journal.Close();
    Seed("journal", commit ? "committed.journal" : "two-regions-v2.journal", ReadAll(JournalPath(archive)));
    platform::RemoveFile(JournalPath(archive));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_seeds CORPUS-FOLDER (fuzz/corpus)\n";
    return 2;
  }
  outRoot = argv[1];
  PackageSeeds();
  TextSeeds();
  ArchiveSeeds();
  return 0;
}
