// info, text and log against setup files and logs written here byte by byte from their
// layouts (counted strings, UTF-16 lines, digit-key scrambling), not by our writers.
#include <tuple>

#include "installlog/install_log.h"
#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

using test::Bytes;
using test::ToBytes;

// A "SetupInfo" record: seven strings, five (root, path, key) slots, two strings, two flags.
Bytes SetupInfoRecord(uint8_t isUninstaller) {
  Bytes b;
  for (const char* s :
       {"Caf\xE9 Setup", "Cafe", "setup.exe", "Uninstall.exe", "", "$PROGRAMFILES\\Cafe\\", "ChangeLog"}) {
    test::AppendCounted(b, s);
  }
  for (int root : {0, 1, 7, 4, 2}) {
    b.push_back(static_cast<uint8_t>(root));
    test::AppendCounted(b, root == 0 ? "Software\\Cafe" : "");
    test::AppendCounted(b, root == 0 ? "Path" : "");
  }
  test::AppendCounted(b, "pages");
  test::AppendCounted(b, "upages");
  b.push_back(isUninstaller);
  b.push_back(1);
  return b;
}

struct Line {
  uint32_t id, lineIndex;
  std::vector<std::string> params;
};
// "CompiledLines": u16 count, then per line u32 id, u32 line index, u32 parameter count.
Bytes CompiledLines(const std::vector<Line>& lines) {
  Bytes b;
  test::AppendU16(b, static_cast<uint16_t>(lines.size()));
  for (const Line& l : lines) {
    test::AppendU32(b, l.id);
    test::AppendU32(b, l.lineIndex);
    test::AppendU32(b, static_cast<uint32_t>(l.params.size()));
    for (const std::string& p : l.params) test::AppendCounted(b, p);
  }
  return b;
}
const std::vector<Line> kScript = {{2, 0, {"Caf\xE9 Setup"}},           // name
                                   {0xFFFFFFFF, 0xFFFFFFFF, {}},        // a comment
                                   {7, 2, {"a.txt", "1"}},              // file: group 1 counts sizes
                                   {11, 3, {"s", "pw", "t.kzp", "2"}},  // kzpupdate: group 2 stored sizes
                                   {99, 4, {"x"}}};                     // no such command

const Bytes kEnglish = test::Utf16File(
    u"English\r\n0409;0809;\r\n13 &Next >\r\n7 Free: <%SPACEAVA%>\r\n"
    u"100 Welcome to <%SETUPTITLE%><br>It needs <%SPACEREQ%>.\r\n101 <LANG13> or <LANG$64>\r\n"
    u"\"102\" <LANGx>\r\n");
const Bytes kFrench = test::Utf16File(u"Fran\u00e7ais \U0001D11E\r\n040c\r\n13 Suivant");  // a surrogate pair

// A setup whose "file" line counts the 8192 bytes of group 1; group 2 has a kind but
// no entries, "ChangeLog" is no language.
test::RawPackage SampleSetup() {
  return test::BuildRawPackage({{"SetupInfo", 0, SetupInfoRecord(0), true},
                                {"CompiledLines", 0, CompiledLines(kScript), true},
                                {"LANGUAGE-english", 0, kEnglish, true},
                                {"ChangeLog", 0, ToBytes("not a language"), false},
                                {"language-French", 0, kFrench, false},
                                {"a.txt", 1, test::CompressibleBytes(8192, 3), true}});
}

using InspectTest = SetupcTest;

TEST_F(InspectTest, InfoJsonShowsEveryFieldLineGroupAndLanguage) {
  const RunResult r = Run({"info", "--json", Source("setup.exe", SampleSetup().bytes)});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, R"({
  "setup_info": {
    "setup_name": "Café Setup",
    "short_name": "Cafe",
    "setup_exe_name": "setup.exe",
    "uninstall_exe_name": "Uninstall.exe",
    "uninstall_prefix": "",
    "install_dir": "$PROGRAMFILES\\Cafe\\",
    "changelog": "ChangeLog",
    "install_dir_reg_key": [
      {"root": 0, "root_name": "HKEY_LOCAL_MACHINE", "path": "Software\\Cafe", "key": "Path"},
      {"root": 1, "root_name": "HKEY_CURRENT_USER", "path": "", "key": ""},
      {"root": 7, "root_name": "!ERROR!", "path": "", "key": ""},
      {"root": 4, "root_name": "HKEY_CURRENT_CONFIG", "path": "", "key": ""},
      {"root": 2, "root_name": "HKEY_CLASSES_ROOT", "path": "", "key": ""}
    ],
    "pages_name": "pages",
    "uninstall_pages_name": "upages",
    "is_uninstaller": 0,
    "create_uninstaller": 1
  },
  "product": {
    "privileges": "admin",
    "version": "",
    "publisher": "",
    "url": ""
  },
  "lines": [
    {"index": 0, "command_id": 2, "keyword": "name", "params": ["Café Setup"]},
    {"index": 1, "command_id": -1, "keyword": "-", "params": []},
    {"index": 2, "command_id": 7, "keyword": "file", "params": ["a.txt", "1"]},
    {"index": 3, "command_id": 11, "keyword": "kzpupdate", "params": ["s", "pw", "t.kzp", "2"]},
    {"index": 4, "command_id": 99, "keyword": "-", "params": ["x"]}
  ],
  "group_kinds": [0, 0, 1],
  "required_space": 8192,
  "required_space_text": "8.00 KB",
  "languages": [
    {"entry": "LANGUAGE-english", "name": "English", "locales": [1033, 2057], "texts": 5},
    {"entry": "language-French", "name": "Français 𝄞", "locales": [1036], "texts": 1}
  ]
}
)");
}

TEST_F(InspectTest, InfoHumanOutputAndUninstaller) {
  RunResult r = Run({"info", Source("setup.exe", SampleSetup().bytes)});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  for (const char* part :
       {"  SetupName           Café Setup\n", "  InstallDirRegKey 3  7 !ERROR!  Path \"\"  Key \"\"\n",
        "      3           11  kzpupdate         \"s\" \"pw\" \"t.kzp\" \"2\"\n", "      1           -1  -\n",
        "Group kinds: 0 0 1\nSpace required: 8192 bytes (8.00 KB)\n",
        "  language-French  \"Français \U0001D11E\"  identifiers 040c  1 text\n"}) {
    EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
  }
  // An uninstaller runs no script: its "file" line counts nothing towards the space
  // required, and without "CompiledLines" it is still a setup. "Languages-" is no prefix.
  std::vector<test::RawEntry> uninstaller = {{"SetupInfo", 0, SetupInfoRecord(1), true},
                                             {"Languages-not", 0, ToBytes("x"), false},
                                             {"a.txt", 1, Bytes(10, 'a'), false},
                                             {"CompiledLines", 0, CompiledLines(kScript), true}};
  for (const char* expected : {"Compiled lines: 5\n", "Compiled lines: 0\n"}) {
    r = Run({"info", Source("setup.exe", test::BuildRawPackage(uninstaller).bytes)});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Group kinds: 0\nSpace required: 0 bytes (0.00 Bytes)\n\nLanguages: 0\n"),
              std::string::npos)
        << r.out;
    uninstaller.pop_back();
  }
}

TEST_F(InspectTest, InfoRefusesWhatTheSetupCannotStartFrom) {
  const Bytes info = SetupInfoRecord(0);
  const Bytes lines = CompiledLines(kScript);
  const Bytes noLines = {0, 0};
  const std::pair<std::vector<test::RawEntry>, std::string> cases[] = {
      {{{"CompiledLines", 0, CompiledLines(kScript)}}, "no \"SetupInfo\" entry"},
      {{{"setupinfo", 0, Bytes(info.begin(), info.end() - 1)}},
       "damaged SetupInfo: the record ends early (" + std::to_string(info.size() - 1) + " bytes)"},
      {{{"SetupInfo", 0, info}}, "no \"CompiledLines\" entry"},
      {{{"SetupInfo", 0, info}, {"CompiledLines", 0, Bytes(lines.begin(), lines.end() - 1)}},
       "damaged CompiledLines"},
      {{{"SetupInfo", 0, info}, {"CompiledLines", 0, noLines}, {"LANGUAGE-x", 0, {}}},
       "entry 2 (LANGUAGE-x) is no valid language file: Cannot open file"},
  };
  for (const auto& [entries, errPart] : cases) {
    ExpectOneError(Run({"info", Source("setup.exe", test::BuildRawPackage(entries).bytes)}), kExitFailed,
                   errPart);
  }
  // Damaged data under an intact table: the entry is named.
  test::RawPackage flipped = SampleSetup();
  flipped.bytes[flipped.records[0].offset + 5] ^= 1;
  const RunResult r = Run({"info", Source("setup.exe", flipped.bytes)});
  EXPECT_EQ(r.code, kExitFailed);
  EXPECT_EQ(r.err, "setupc: entry 0 (SetupInfo) cannot be read (damaged data: see setupc verify)\n");
}

TEST_F(InspectTest, TextExpandsTagsLineBreaksAndMacros) {
  const std::string setup = Source("setup.exe", SampleSetup().bytes);
  RunResult r = Run({"text", setup, "language-ENGLISH", "100", "$65", "13", "7", "999", "$0d"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            "Welcome to Café Setup\nIt needs 8.00 KB.\n"
            "&Next > or Welcome to Café Setup\nIt needs 8.00 KB.\n"
            "&Next >\nFree: \nNOT FOUND 999\n&Next >\n");
  EXPECT_EQ(r.err, "");

  // Failures print no text at all: a bad tag in the last text, no such entry.
  const std::pair<std::vector<std::string>, std::string> failures[] = {
      {{"LANGUAGE-english", "13", "102"}, "text 102 of LANGUAGE-english: 'x' is not a valid integer value"},
      {{"LANGUAGE-german", "13"}, setup + ": no entry \"LANGUAGE-german\" in group 0"},
  };
  for (const auto& [arguments, message] : failures) {
    r = Run({"text", setup}, arguments);
    ExpectOneError(r, kExitFailed, message);
    EXPECT_EQ(r.err, "setupc: " + message + "\n");
  }
}

TEST_F(InspectTest, LogShowsTheThreeListsAndWarnsWhenItEndsEarly) {
  // Files, registry entries and folders, scrambled with the log's key.
  const std::vector<std::vector<std::string>> lists = {
      {"$INSTDIR\\Caf\xE9.exe", "a\nb"}, {"\"HKLM\" \"Software\" \"Path\""}, {"C:\\X\\"}};
  const Bytes log = test::InstallLogByHand(lists, UninstallLogKey).bytes;
  const std::string file = Source("install.log", log);
  RunResult r = Run({"log", file});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  const std::string firstLists =  // a line break shown as "?"
      "Files: 2\n  $INSTDIR\\Café.exe\n  a?b\nRegistry entries: 1\n  \"HKLM\" \"Software\" \"Path\"\n";
  // The digests come from an independent SHA-256 of the same bytes.
  const std::string digest = "032a4006aaa2d6d9c76a5418cf2b17e44371fe431a3385997a312451040b52a5";
  EXPECT_EQ(r.out, firstLists + "Folders: 1\n  C:\\X\\\nSHA-256: " + digest + "\n");
  r = Run({"log", "--json", file});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(
      r.out,
      "{\n  \"files\": [\n    \"$INSTDIR\\\\Café.exe\",\n    \"a\\nb\"\n  ],\n"
      "  \"registry\": [\n    \"\\\"HKLM\\\" \\\"Software\\\" \\\"Path\\\"\"\n  ],\n"
      "  \"folders\": [\n    \"C:\\\\X\\\\\"\n  ],\n  \"announced\": [2, 1, 1],\n  \"complete\": true,\n"
      "  \"sha256\": \"" + digest + "\"\n}\n");

  // Cut short: what was read and the digest of the whole file, one warning line, exit 1.
  const std::tuple<size_t, std::string, std::string> cuts[] = {
      {3,
       "Files: 0\nRegistry entries: 0\nFolders: 0\n"
       "SHA-256: 9463926d4640a53a0cf1ac00657361f5a6d64fbc554df30721cdacf503aebc2b\n",
       "shorter than its 6-byte header, no entries read"},
      {log.size() - 1,
       firstLists + "Folders: 0 of 1\nSHA-256: 2c7e6660febaea5a11ffd97364ee94009f960f3e8705d72c5b55e23b0dea7879\n",
       "it ends early, 3 of 4 entries read"},
  };
  for (const auto& [length, out, warning] : cuts) {
    const std::string cut = Source("cut.log", Bytes(log.begin(), log.begin() + static_cast<long>(length)));
    r = Run({"log", cut});
    EXPECT_EQ(r.code, kExitFailed) << length;
    EXPECT_EQ(r.out, out) << length;
    EXPECT_EQ(r.err, "setupc: " + cut + ": damaged log: " + warning + "\n");
  }
  r = Run({"log", "--json", Path("cut.log")});
  EXPECT_NE(r.out.find("\"complete\": false"), std::string::npos) << r.out;
  r = Run({"log", Path("absent.log")});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_EQ(r.err, "setupc: cannot read " + Path("absent.log") + ": no such file\n");
}

}  // namespace
}  // namespace setup::setupc
