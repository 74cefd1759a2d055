// setupc diff OLD NEW: two builds of a product compared as the player's disk holds
// them — loose files, KZP packages entry by entry, VFS archives file by file.
#include <zlib.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "package/kzp_format.h"
#include "setupc/commands.h"
#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::Bytes;
using test::ToBytes;

// One record of a package built by hand.
struct KzpItem {
  std::string name;
  Bytes content;
  int level = 9;  // zlib level of the data block
  uint32_t time = 0x5A210000;
  int shareWith = -1;  // earlier item whose block this record takes
  bool sound = false;  // a sound block: the 58-byte header, then content
};

Bytes BuildKzp(const std::vector<KzpItem>& items, const std::string& password = "", bool official = false,
               uint8_t a = 3, uint8_t b = 4) {
  Bytes file;
  std::vector<TKzpRecord> records;
  for (const KzpItem& item : items) {
    TKzpRecord record;
    record.Name = item.name;
    record.Time = item.time;
    record.Size = static_cast<uint32_t>(item.content.size());
    if (item.shareWith >= 0) {
      record.Offset = records[static_cast<size_t>(item.shareWith)].Offset;
      record.StoredLength = records[static_cast<size_t>(item.shareWith)].StoredLength;
      record.Kind = records[static_cast<size_t>(item.shareWith)].Kind;
      records.push_back(record);
      continue;
    }
    Bytes block;
    if (item.sound) {
      record.Kind = kKzpKindSound;
      block.assign(58, 0);
      test::SetU32At(block, 54, static_cast<uint32_t>(item.content.size()));
      block.insert(block.end(), item.content.begin(), item.content.end());
    } else {
      uLongf length = compressBound(static_cast<uLong>(item.content.size()));
      block.resize(length);
      compress2(block.data(), &length, item.content.data(), static_cast<uLong>(item.content.size()),
                item.level);
      block.resize(length);
      ToggleBlockCrc(block);
    }
    record.Offset = static_cast<uint32_t>(file.size());
    record.StoredLength = static_cast<uint32_t>(block.size());
    file.insert(file.end(), block.begin(), block.end());
    records.push_back(record);
  }
  std::vector<const TKzpRecord*> table;
  for (const TKzpRecord& record : records) table.push_back(&record);
  const Bytes tail = BuildKzpTail(table, password, official, a, b);
  file.insert(file.end(), tail.begin(), tail.end());
  return file;
}

const std::vector<KzpItem> kPackage = {
    {"a.txt", ToBytes("alpha")},
    {"sub\\b.bin", test::CompressibleBytes(3000, 1)},
    {"c.txt", ToBytes("gamma")},
    {"wave.wav", test::RandomBytes(64, 3), 9, 0x5A210000, -1, true},
};

class DiffTest : public SetupcTest {
 protected:
  DiffTest() { SetDiffCommand(DiffCommand); }
  std::string Old() const { return Path("old"); }
  std::string New() const { return Path("new"); }

  void Put(const std::string& root, const std::string& relative, const Bytes& content) {
    const fs::path file = fs::path(root) / relative;
    fs::create_directories(file.parent_path());
    test::WriteFileBytes(file.string(), content);
  }

  // A VFS archive made by "setupc vfs create" from files (relative path, content).
  void PutVfs(const std::string& root, const std::string& relative,
              const std::vector<std::pair<std::string, Bytes>>& files) {
    const std::string source = Path("vfs-source");
    fs::remove_all(source);
    fs::create_directories(source);
    for (const auto& [name, content] : files) Put(source, name, content);
    fs::create_directories((fs::path(root) / relative).parent_path());
    const RunResult r = Run({"vfs", "create", source, (fs::path(root) / relative).string(), "--block-size",
                             "256", "--blocks", "256", "--roots", "16"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
  }

  // The same product in both builds: a loose file, a package and an archive.
  void SameBuilds() {
    for (const std::string& root : {Old(), New()}) {
      Put(root, "bin/game.exe", ToBytes("MZ game"));
      Put(root, "data/main.kzp", BuildKzp(kPackage));
      PutVfs(root, "data/world.vfs", {{"maps/start.map", ToBytes("start")}, {"top.cfg", ToBytes("cfg")}});
    }
  }

  json Diff(int expectedCode) {
    const RunResult r = Run({"diff", "--json", Old(), New()});
    EXPECT_EQ(r.code, expectedCode) << r.err;
    json document = json::parse(r.out, nullptr, false);
    EXPECT_FALSE(document.is_discarded()) << r.out;
    return document;
  }
};

TEST_F(DiffTest, EqualBuildsGiveAnEmptyReportAndExitZero) {
  SameBuilds();
  const json report = Diff(kExitOk);
  EXPECT_TRUE(report["equal"].get<bool>());
  for (const char* list :
       {"files", "added_folders", "removed_folders", "packages", "archives", "inexpressible"}) {
    EXPECT_TRUE(report[list].empty()) << list;
  }
  const RunResult text = Run({"diff", Old(), New()});
  EXPECT_EQ(text.code, kExitOk);
  EXPECT_EQ(text.out, "no differences\n");
  EXPECT_EQ(text.err, "");
}

TEST_F(DiffTest, EncodingOrderTimesAndKeysAreNoDifferences) {
  Put(Old(), "main.kzp", BuildKzp(kPackage, "pw", true, 2, 6));
  std::vector<KzpItem> items(kPackage.rbegin(), kPackage.rend());  // another record order
  for (KzpItem& item : items) {
    item.level = 1;          // another stream for the same content
    item.time = 0x5B330000;  // another time stamp
  }
  Put(New(), "main.kzp", BuildKzp(items, "pw", true, 5, 3));  // other key bytes
  // Chunks and stored files over many blocks, in other places of the archive.
  PutVfs(Old(), "w.vfs",
         {{"x.txt", test::CompressibleBytes(70000, 2)},
          {"y.txt", ToBytes("y")},
          {"r.bin", test::RandomBytes(5000, 5)}});
  PutVfs(New(), "w.vfs",
         {{"y.txt", ToBytes("y")},
          {"r.bin", test::RandomBytes(5000, 5)},
          {"x.txt", test::CompressibleBytes(70000, 2)}});
  // The files differ; their contents do not.
  ASSERT_NE(test::ReadFileBytes(Path("old/main.kzp")), test::ReadFileBytes(Path("new/main.kzp")));
  const json report = Diff(kExitOk);
  EXPECT_TRUE(report["equal"].get<bool>()) << report.dump();
}

TEST_F(DiffTest, EveryKindOfChangeShowsInTheJson) {
  SameBuilds();
  Put(Old(), "readme.txt", ToBytes("old readme"));
  Put(Old(), "gone/old.txt", ToBytes("gone"));
  Put(New(), "bin/game.exe", ToBytes("MZ game 2"));
  Put(New(), "extra/new.txt", ToBytes("new"));
  std::vector<KzpItem> items = kPackage;
  items[1].content = test::CompressibleBytes(3000, 9);     // sub\b.bin changed
  items.erase(items.begin() + 2);                          // c.txt removed
  items[2].content = test::RandomBytes(64, 4);             // the sound changed
  items.push_back({"d.txt", ToBytes("delta")});            // added
  items.push_back({"a2.txt", ToBytes("alpha"), 9, 0, 0});  // shares a.txt's block
  Put(New(), "data/main.kzp", BuildKzp(items, "secret", true));
  Bytes lastByte = test::RandomBytes(3000, 6);  // stored over 12 blocks; its last byte changes
  PutVfs(Old(), "data/world.vfs",
         {{"maps/start.map", ToBytes("start")}, {"top.cfg", ToBytes("cfg")}, {"r.bin", lastByte}});
  lastByte.back() ^= 1;
  PutVfs(New(), "data/world.vfs",
         {{"maps/start.map", ToBytes("start 2")}, {"new.cfg", ToBytes("n")}, {"r.bin", lastByte}});

  const json report = Diff(kExitFailed);
  const json files = {
      {{"change", "changed"},
       {"path", "bin\\game.exe"},
       {"format", "plain"},
       {"old_size", 7},
       {"new_size", 9},
       {"old_crc", crc32(0, reinterpret_cast<const Bytef*>("MZ game"), 7)},
       {"new_crc", crc32(0, reinterpret_cast<const Bytef*>("MZ game 2"), 9)}},
      {{"change", "added"},
       {"path", "extra\\new.txt"},
       {"format", "plain"},
       {"old_size", 0},
       {"new_size", 3},
       {"old_crc", 0},
       {"new_crc", crc32(0, reinterpret_cast<const Bytef*>("new"), 3)}},
      {{"change", "removed"},
       {"path", "gone\\old.txt"},
       {"format", "plain"},
       {"old_size", 4},
       {"new_size", 0},
       {"old_crc", crc32(0, reinterpret_cast<const Bytef*>("gone"), 4)},
       {"new_crc", 0}},
      {{"change", "removed"},
       {"path", "readme.txt"},
       {"format", "plain"},
       {"old_size", 10},
       {"new_size", 0},
       {"old_crc", crc32(0, reinterpret_cast<const Bytef*>("old readme"), 10)},
       {"new_crc", 0}},
  };
  EXPECT_EQ(report["files"], files);
  EXPECT_EQ(report["added_folders"], json({"extra"}));
  EXPECT_EQ(report["removed_folders"], json({"gone"}));

  ASSERT_EQ(report["packages"].size(), 1u);
  const json& package = report["packages"][0];
  EXPECT_EQ(package["path"], "data\\main.kzp");
  EXPECT_EQ(package["old_size"], test::ReadFileBytes(Path("old/data/main.kzp")).size());
  EXPECT_EQ(package["old_official"], false);
  EXPECT_EQ(package["new_official"], true);
  EXPECT_EQ(package["password_changed"], true);
  std::vector<std::string> entries;
  for (const json& e : package["entries"]) {
    entries.push_back(e["change"].get<std::string>() + " " + e["name"].get<std::string>() + " " +
                      std::to_string(e["kind"].get<int>()));
  }
  EXPECT_EQ(entries, (std::vector<std::string>{"added a2.txt 2", "removed c.txt 0", "added d.txt 2",
                                               "changed sub\\b.bin 2", "changed wave.wav 1"}));
  EXPECT_EQ(package["shared_names"], json({{{"source", "a.txt"}, {"target", "a2.txt"}}}));

  ASSERT_EQ(report["archives"].size(), 1u);
  const json& archive = report["archives"][0];
  EXPECT_EQ(archive["path"], "data\\world.vfs");
  std::vector<std::string> vfsFiles;
  for (const json& f : archive["files"])
    vfsFiles.push_back(f["change"].get<std::string>() + " " + f["name"].get<std::string>());
  EXPECT_EQ(vfsFiles, (std::vector<std::string>{"changed maps\\start.map", "added new.cfg", "changed r.bin",
                                                "removed top.cfg"}));
  // Its ".ht" index goes with the archive: no loose change for data\world.ht.
  ASSERT_NE(test::ReadFileBytes(Path("old/data/world.ht")), test::ReadFileBytes(Path("new/data/world.ht")));

  // Removed entries cannot be expressed by a patch; they are named on stderr too.
  const json inexpressible = {
      {{"path", "data\\main.kzp"}, {"entry", "c.txt"}, {"reason", "entry removed"}},
      {{"path", "data\\world.vfs"}, {"entry", "top.cfg"}, {"reason", "entry removed"}},
  };
  EXPECT_EQ(report["inexpressible"], inexpressible);
  const RunResult text = Run({"diff", Old(), New()});
  EXPECT_EQ(text.code, kExitFailed);
  EXPECT_EQ(text.err,
            "setupc: cannot be expressed: data\\main.kzp: c.txt: entry removed\n"
            "setupc: cannot be expressed: data\\world.vfs: top.cfg: entry removed\n");
  for (const char* line :
       {"  changed  bin\\game.exe  (7 -> 9 bytes)\n", "KZP package data\\main.kzp:\n",
        "  shared   a2.txt  now shares the data of a.txt\n", "  official flag clear -> set\n",
        "  password changed (none -> set)\n", "VFS archive data\\world.vfs:\n", "  removed  top.cfg\n",
        "Folders removed:\n  gone\n"}) {
    EXPECT_NE(text.out.find(line), std::string::npos) << line << text.out;
  }
}

TEST_F(DiffTest, LetterCaseIsMatchedAsWindowsDoesAndARenameIsInexpressible) {
  Put(Old(), "Data/Readme.TXT", ToBytes("same"));
  Put(New(), "data/readme.txt", ToBytes("same"));
  Put(Old(), "p.kzp", BuildKzp({{"Sub\\Entry.txt", ToBytes("e")}}));
  Put(New(), "p.kzp", BuildKzp({{"sub\\entry.txt", ToBytes("e")}}));
  PutVfs(Old(), "w.vfs", {{"Maps/Start.map", ToBytes("s")}});
  PutVfs(New(), "w.vfs", {{"maps/start.map", ToBytes("s")}});
  const json report = Diff(kExitFailed);
  EXPECT_TRUE(report["files"].empty()) << report.dump();
  EXPECT_TRUE(report["added_folders"].empty());
  EXPECT_TRUE(report["removed_folders"].empty());
  EXPECT_TRUE(report["packages"].empty());
  EXPECT_TRUE(report["archives"].empty());
  const json inexpressible = {
      {{"path", "data"}, {"entry", ""}, {"reason", "letter case changed"}},
      {{"path", "data\\readme.txt"}, {"entry", ""}, {"reason", "letter case changed"}},
      {{"path", "p.kzp"}, {"entry", "sub\\entry.txt"}, {"reason", "letter case changed"}},
      {{"path", "w.vfs"}, {"entry", "maps\\start.map"}, {"reason", "letter case changed"}},
  };
  EXPECT_EQ(report["inexpressible"], inexpressible);
}

TEST_F(DiffTest, AnArchiveOnOneSideOnlyIsAChangedLooseFile) {
  Put(Old(), "main.kzp", ToBytes("not a package yet"));
  Put(New(), "main.kzp", BuildKzp(kPackage));
  const json report = Diff(kExitFailed);
  ASSERT_EQ(report["files"].size(), 1u);
  EXPECT_EQ(report["files"][0]["change"], "changed");
  EXPECT_EQ(report["files"][0]["format"], "kzp");
  EXPECT_TRUE(report["packages"].empty());
}

TEST_F(DiffTest, DamagedArchivesAreComparedWholeAndNamed) {
  struct Case {
    const char* what;
    void (*damage)(Bytes&);
    const char* file;
    const char* reason;
  };
  const Case cases[] = {
      {"KZP block that does not inflate", [](Bytes& b) { b[3] ^= 0xFF; }, "p.kzp", "damaged KZP package"},
      {"VFS chain into a free block", [](Bytes& b) { test::SetU32At(b, 52 + 256 + 4, 0); }, "w.vfs",
       "damaged VFS archive"},
  };
  for (const Case& c : cases) {
    fs::remove_all(Old());
    fs::remove_all(New());
    Put(Old(), "p.kzp", BuildKzp(kPackage));
    PutVfs(Old(), "w.vfs", {{"maps/start.map", ToBytes("start")}});
    fs::copy(Old(), New(), fs::copy_options::recursive);
    Bytes bytes = test::ReadFileBytes(Path("new/") + c.file);
    c.damage(bytes);
    Put(New(), c.file, bytes);
    const json report = Diff(kExitFailed);
    ASSERT_EQ(report["files"].size(), 1u) << c.what << report.dump();
    EXPECT_EQ(report["files"][0]["path"], c.file) << c.what;
    EXPECT_EQ(report["files"][0]["change"], "changed") << c.what;
    ASSERT_EQ(report["inexpressible"].size(), 1u) << c.what;
    EXPECT_NE(report["inexpressible"][0]["reason"].get<std::string>().find(c.reason), std::string::npos)
        << report["inexpressible"][0]["reason"];
  }
}

TEST_F(DiffTest, UsageAndUnreadableFolders) {
  fs::create_directories(Old());
  ExpectOneError(Run({"diff", Old(), Path("missing")}), kExitUsage, "is not a folder");
  ExpectOneError(Run({"diff", Old(), Old(), "--name", "x"}), kExitUsage, "--name needs -o OUT");
  ExpectOneError(Run({"diff", Old(), Old(), "-o", Path("out"), "--json"}), kExitUsage, "--json");
}

}  // namespace
}  // namespace setup::setupc
