// compile: a script using every keyword read back with the package reader and the
// record parsers; the diagnostics an author sees, with nothing written; and output
// that does not depend on the number of compressing threads.
#include <algorithm>
#include <filesystem>
#include <tuple>

#ifndef _WIN32
#include <yaml-cpp/yaml.h>
#endif

#include "installlog/product_facts.h"
#include "package/package_password_key.h"
#include "package/pak.h"
#include "platform/sha256.h"
#include "script/group_kinds.h"
#include "script/setup_info.h"
#include "setupc/manifest_level.h"
#include "setupc/text.h"
#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ToBytes;

constexpr int32_t kNone = -1;  // a line without a command

struct ProjectFile {
  std::string path;  // below the script's folder
  Bytes content;
};

const std::vector<ProjectFile> kProject = {
    {"languages/english.txt", test::Utf16File(u"English\r\n0409;\r\n1 Welcome\r\n")},
    {"languages/deutsch.txt", test::Utf16File(u"Deutsch\r\n0407;\r\n1 Willkommen\r\n")},
    {"pages/main/Pages.txt",
     ToBytes("[Pages]\r\nwelcome.txt\r\nFinish.txt\r\n[PageTypes]\r\nWelcome\r\nFinish\r\n")},
    {"pages/main/welcome.txt", ToBytes("[Back]\r\nType=TImage\r\nFile=images\\back.bmp\r\n[Log]\r\nType="
                                       "TRichEdit\r\nFile=<%CHANGELOG%>\r\n")},
    {"pages/main/finish.txt",
     ToBytes(
         "[Back]\r\nType=TImage\r\nfile=images\\back.bmp\r\n[Text]\r\nType=TRichEdit\r\nFile=license.rtf\r\n"
         "[Label]\r\nType=TLabel\r\nFile=not-a-file\r\n")},
    {"pages/main/images/back.bmp", ToBytes("BM picture")},
    {"pages/main/license.rtf", ToBytes("{\\rtf1 license}")},
    {"pages/main/unused.bmp", ToBytes("not named by any page")},
    {"pages/uninst/pages.txt", ToBytes("[Pages]\r\nbye.txt\r\n")},
    {"pages/uninst/bye.txt", ToBytes("[Bye]\r\nType=TLabel\r\nCaption=<LANG2>\r\n")},
    {"payload/app.exe", test::CompressibleBytes(5000, 1)},
    {"payload/docs/readme.txt", ToBytes("read me")},
    {"payload/docs/empty.txt", {}},
    {"kzpdata/pkg.dat", test::RandomBytes(300, 2)},
    {"vfsdata/two.dat", ToBytes("2")},
    {"vfsdata/one.dat", ToBytes("1")},
    {"ChangeLog.rtf", ToBytes("{\\rtf1 changes}")},
    {"uninstall.ico", ToBytes("icon")},
    {"finalise.exe", ToBytes("MZ finaliser")},
    // for the diagnostics
    {"languages/ansi.txt", ToBytes("English\r\n0409;\r\n")},
    {"languages/lf.txt", test::Utf16File(u"English\r\n0409;\n1 Welcome\r\n")},
    {"pages/lf/Pages.txt", ToBytes("[Pages]\r\nwelcome.txt\nfinish.txt\r\n")},
    {"pages/gap/Pages.txt", ToBytes("[Pages]\r\n\r\nmissing.txt\r\n")},
    {"pages/nopic/Pages.txt", ToBytes("[Pages]\r\np.txt\r\n")},
    {"pages/nopic/p.txt", ToBytes("[Pic]\r\nType=TImage\r\nLeft=3\r\nFile=gone.bmp\r\n")},
    {"pages/slips/Pages.txt", ToBytes("[Pages]\r\np.txt\r\n[PageTypes]\r\nInstalDir\r\n")},
    {"pages/slips/p.txt", ToBytes("[Spaceavalable]\r\nType=TLable\r\n[InstallDirLabel]\r\nType=TLabel\r\n")},
    {"emptyfolder/.keep", {}},
    {"longkzp/" + std::string(124, 'n') + ".dat", ToBytes("a name of 128 characters")},
};

class CompileTest : public SetupcTest {
 protected:
  void SetUp() override {
    for (const ProjectFile& f : kProject) {
      fs::create_directories(fs::path(Path(f.path)).parent_path());
      Source(f.path, f.content);
    }
    fs::remove(Path("emptyfolder/.keep"));
    Source("stub.exe", ToBytes("MZ fake stub"));
  }

  RunResult Compile(const std::vector<std::string>& lines, const std::vector<std::string>& options,
                    const std::string& script = "script.txt") {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    Source(script, ToBytes(text));
    std::vector<std::string> arguments = {"compile", Path(script)};
    if (std::find(options.begin(), options.end(), "--stub") == options.end()) {
      arguments.insert(arguments.end(), {"--stub", Path("stub.exe")});
    }
    return Run(arguments, options);
  }
};

struct ExpectedLine {
  std::string source;
  int32_t id;  // kNone: no command
  std::vector<std::string> params;
};

// Every keyword; jump targets are the labels' line indexes (messagebox: plus one).
const std::vector<ExpectedLine> kScript = {
    {"; every keyword once, some twice", kNone, {}},
    {"name \"Demo Product 1.0\"", 2, {"Demo Product 1.0"}},
    {"ShortName Demo", 21, {"Demo"}},
    {"outfile setup.exe", 3, {"setup.exe"}},
    {"prefix demo", 24, {"demo"}},
    {"installdir \"$PROGRAMFILES\\Demo Product\\\"", 4, {"$PROGRAMFILES\\Demo Product\\"}},
    {"installdirregkey HKLM Software\\Demo Path", 5, {"HKLM", "Software\\Demo", "Path"}},
    {"installdirregkey hkcu Software\\Demo Path", 5, {"hkcu", "Software\\Demo", "Path"}},
    {"installdirregkey HKCR Demo Path", 5, {"HKCR", "Demo", "Path"}},
    {"installdirregkey HKU Demo Path", 5, {"HKU", "Demo", "Path"}},
    {"installdirregkey HKCC Overwritten Path", 5, {"HKCC", "Overwritten", "Path"}},
    {"installdirregkey HKCU \"Software\\Last One\" Folder", 5, {"HKCU", "Software\\Last One", "Folder"}},
    {"changelog ChangeLog.rtf", 10, {"ChangeLog.rtf"}},
    {"pages main", 20, {"main"}},
    {"uninstallpages uninst", 22, {"uninst"}},
    {"uninstallicon uninstall.ico", kNone, {}},
    {"uninstallfinaliser finalise.exe", kNone, {}},
    {"language english", 18, {"english"}},
    {"language deutsch", 18, {"deutsch"}},
    {"uninstalllanguage english", 23, {"english"}},
    {"", kNone, {}},
    {"start:", kNone, {}},  // 21
    {"file payload", 7, {"payload", "1"}},
    {"file payload\\docs \"$INSTDIR\\Docs\"", 7, {"payload\\docs", "$INSTDIR\\Docs", "2"}},
    {"file payload/docs Extra HKCU Software\\Demo Docs F yes",
     7,
     {"payload/docs", "Extra", "HKCU", "Software\\Demo", "Docs", "F", "yes", "3"}},
    {"kzpupdate kzpdata secret data\\main.kzp", 11, {"kzpdata", "secret", "data\\main.kzp", "4"}},
    {"vfsupdate vfsdata data\\main.vfs", 30, {"vfsdata", "data\\main.vfs", "5"}},
    {"vfsupdate vfsdata data\\other.vfs 0", 30, {"vfsdata", "data\\other.vfs", "0", "6"}},
    {"kzpofficial data\\main.kzp OFFICIAL 1", 27, {"data\\main.kzp", "OFFICIAL", "1"}},
    {"duplicateentry data\\main.kzp a.dat b.dat", 28, {"data\\main.kzp", "a.dat", "b.dat"}},
    {"iffileexists \"$INSTDIR\\app.exe\" installed", 6, {"$INSTDIR\\app.exe", "48", "-1"}},
    {"\tIfFileExists $INSTDIR\\old.exe -1 start", 6, {"$INSTDIR\\old.exe", "-1", "21"}},
    {"messagebox \"Say \"\"hi\"\"?\" Question start", 16, {"Say \"hi\"?", "Question", "22", "-1"}},
    {"messagebox Text Caption -1 INSTALLED", 16, {"Text", "Caption", "-1", "49"}},
    {"delete $INSTDIR\\old.exe", 8, {"$INSTDIR\\old.exe"}},
    {"writeregstr HKLM Software\\Demo Version \"\"", 9, {"HKLM", "Software\\Demo", "Version", ""}},
    {"writeregstr_url demo $INSTDIR\\app.exe $INSTDIR\\app.exe link %1",
     29,
     {"demo", "$INSTDIR\\app.exe", "$INSTDIR\\app.exe", "link", "%1"}},
    {"rmdir $INSTDIR\\cache", 12, {"$INSTDIR\\cache", "1"}},
    {"rmdir $INSTDIR\\tmp 0", 12, {"$INSTDIR\\tmp", "0"}},
    {"createdirectory $INSTDIR\\logs", 13, {"$INSTDIR\\logs"}},
    {"createshortcut \"$SMPROGRAMS\\Demo.lnk\" $INSTDIR\\app.exe \"\"",
     14,
     {"$SMPROGRAMS\\Demo.lnk", "$INSTDIR\\app.exe", ""}},
    {"message <LANG9>", 15, {"<LANG9>"}},
    {"copyfile $CDDRIVE\\extra.dat $INSTDIR\\extra.dat", 17, {"$CDDRIVE\\extra.dat", "$INSTDIR\\extra.dat"}},
    {"rename $INSTDIR\\a.txt $INSTDIR\\b.txt", 31, {"$INSTDIR\\a.txt", "$INSTDIR\\b.txt"}},
    {"execute \"$INSTDIR\\app.exe\" /setup", 32, {"$INSTDIR\\app.exe", "/setup"}},
    {"uninstalllogsave $INSTDIR", 26, {"$INSTDIR"}},
    {"uninstalllogload $INSTDIR demo_", 25, {"$INSTDIR", "demo_"}},
    {"GOTO End", 1, {"51"}},
    {"installed:", kNone, {}},  // 48
    {"failure", 19, {""}},
    {"  ; an indented comment", kNone, {}},
    {"end:", kNone, {}},  // 51
    // A later command (id 33): the CRC in upper case, labels resolved.
    {"iffilecrc $INSTDIR\\app.exe 1a2B3c4D installed", 33, {"$INSTDIR\\app.exe", "1A2B3C4D", "48", "-1"}},
    {"IfFileCrc $INSTDIR\\app.exe 00000000 -1 end", 33, {"$INSTDIR\\app.exe", "00000000", "-1", "51"}},
};

struct ExpectedEntry {
  std::string name;
  uint16_t group;
  std::string source;  // below the script's folder
};

const std::vector<ExpectedEntry> kEntries = {
    {"ChangeLog.rtf", 0, "ChangeLog.rtf"},
    {"UNINSTALL_ICON.ICO", 0, "uninstall.ico"},
    {"UNINSTALL_FINALISE.EXE", 0, "finalise.exe"},
    {"LANGUAGE-english", 0, "languages/english.txt"},
    {"LANGUAGE-deutsch", 0, "languages/deutsch.txt"},
    {"UNINSTALL_LANGUAGE-english", 0, "languages/english.txt"},
    {"Pages.txt", 0, "pages/main/Pages.txt"},
    {"welcome.txt", 0, "pages/main/welcome.txt"},
    {"images\\back.bmp", 0, "pages/main/images/back.bmp"},
    {"Finish.txt", 0, "pages/main/finish.txt"},  // named as Pages.txt writes it
    {"license.rtf", 0, "pages/main/license.rtf"},
    {"UNINSTALL_Pages.txt", 0, "pages/uninst/pages.txt"},
    {"UNINSTALL_bye.txt", 0, "pages/uninst/bye.txt"},
    {"app.exe", 1, "payload/app.exe"},
    {"docs\\empty.txt", 1, "payload/docs/empty.txt"},
    {"docs\\readme.txt", 1, "payload/docs/readme.txt"},
    {"empty.txt", 2, "payload/docs/empty.txt"},
    {"readme.txt", 2, "payload/docs/readme.txt"},
    {"empty.txt", 3, "payload/docs/empty.txt"},
    {"readme.txt", 3, "payload/docs/readme.txt"},
    {"pkg.dat", 4, "kzpdata/pkg.dat"},
    {"one.dat", 5, "vfsdata/one.dat"},
    {"two.dat", 5, "vfsdata/two.dat"},
    {"one.dat", 6, "vfsdata/one.dat"},
    {"two.dat", 6, "vfsdata/two.dat"},
};

TEST_F(CompileTest, EveryKeywordReadsBackAsTheSetupReadsIt) {
  std::vector<std::string> lines;
  for (const ExpectedLine& line : kScript) lines.push_back(line.source);
  const RunResult r = Compile(lines, {"--jobs", "2"});  // written as "outfile" says
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.err, "");

  const Bytes setup = test::ReadFileBytes(Path("setup.exe"));
  const Bytes stub = ToBytes("MZ fake stub");
  ASSERT_GT(setup.size(), stub.size());
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), setup.begin()));
  TPak pak;
  ASSERT_TRUE(pak.Create(Path("setup.exe")));
  EXPECT_EQ(pak.Trailer().DataStart, stub.size());
  ASSERT_EQ(pak.Count(), 2 + kEntries.size());

  // "SetupInfo" first (never empty: the uninstaller builder measures the stub by the
  // first entry's offset), then "CompiledLines".
  EXPECT_EQ(pak.Entries()[0].Name, "SetupInfo");
  EXPECT_EQ(pak.Entries()[1].Name, "CompiledLines");
  TSetupInfoFile info;
  ASSERT_TRUE(info.LoadFromBuffer(pak.ExtractEntry(0).value()));
  TCompLines compiled;
  ASSERT_TRUE(compiled.LoadFromBuffer(pak.ExtractEntry(1).value()));

  EXPECT_EQ(info.SetupName, "Demo Product 1.0");
  EXPECT_EQ(info.ShortName, "Demo");
  EXPECT_EQ(info.SetupExeName, "setup.exe");
  EXPECT_EQ(info.UninstallExeName, "demo_Uninstall.exe");
  EXPECT_EQ(info.UninstallPrefix, "demo_");
  EXPECT_EQ(info.InstallDir, "$PROGRAMFILES\\Demo Product\\");
  EXPECT_EQ(info.Changelog, "ChangeLog.rtf");
  const std::vector<std::tuple<uint8_t, std::string, std::string>> slots = {
      {0, "Software\\Demo", "Path"},
      {1, "Software\\Demo", "Path"},
      {2, "Demo", "Path"},
      {3, "Demo", "Path"},
      {1, "Software\\Last One", "Folder"}};  // the sixth overwrites the fifth
  for (size_t i = 0; i < slots.size(); ++i) {
    EXPECT_EQ(
        std::tie(info.InstallDirRegKey[i].Root, info.InstallDirRegKey[i].Path, info.InstallDirRegKey[i].Key),
        slots[i])
        << "slot " << i;
  }
  EXPECT_EQ(info.PagesName, "main");
  EXPECT_EQ(info.UninstallPagesName, "uninst");
  EXPECT_EQ(info.IsUninstaller, 0);
  EXPECT_EQ(info.CreateUninstaller, 1);

  ASSERT_EQ(compiled.Count(), kScript.size());
  for (size_t i = 0; i < kScript.size(); ++i) {
    const TCompLine& line = compiled.Lines()[i];
    const ExpectedLine& want = kScript[i];
    std::vector<std::string> params = line.Params;
    if (want.id == 11 || want.id == 27) {  // passwords travel scrambled
      EXPECT_NE(params.at(1), want.params.at(1));
      params[1] = DecodeString(PackagePasswordKey, params[1]);
    }
    EXPECT_EQ(line.CommandId, want.id) << want.source;
    EXPECT_EQ(line.LineIndex, want.id == kNone ? kNone : static_cast<int32_t>(i)) << want.source;
    EXPECT_EQ(params, want.params) << want.source;
  }
  // The group numbers are the ones the setup counts for its space figure.
  TCommandList commands;
  RegisterCommands(commands);
  EXPECT_EQ(BuildGroupKinds(compiled, commands), (std::vector<uint8_t>{0, 0, 0, 0, 1, 1, 1}));

  for (size_t i = 0; i < kEntries.size(); ++i) {
    const TPakEntry& entry = pak.Entries()[i + 2];
    EXPECT_EQ(entry.Name, kEntries[i].name) << i;
    EXPECT_EQ(entry.Group, kEntries[i].group) << kEntries[i].name;
    const Bytes content = test::ReadFileBytes(Path(kEntries[i].source));
    EXPECT_EQ(pak.ExtractEntry(i + 2).value_or(Bytes{}), content) << kEntries[i].name;
    EXPECT_EQ(entry.Size, content.size()) << kEntries[i].name;
  }
  EXPECT_EQ(Run({"verify", Path("setup.exe")}).code, kExitOk);
}

TEST_F(CompileTest, ErrorsNameTheirFileAndLineAndWriteNothing) {
  const std::string out = Path("out.exe");
  struct Case {
    std::vector<std::string> script;
    std::string where;  // FILE:LINE, FILE below the script's folder
    std::string what;
    std::vector<std::string> options = {"-o", "OUT"};  // OUT: out.exe
    int code = kExitFailed;
  };
  const std::string tooLong(65536, 'x');
  std::vector<std::string> tooManyLines(65536, "");
  tooManyLines[0] = "outfile a.exe";
  const Case cases[] = {
      {{"outfile a.exe", "frob x"}, "script.txt:2", "unknown keyword \"frob\""},
      // A slip gets the nearest known name: a letter missing, two swapped, one wrong.
      {{"instaldir x"}, "script.txt:1", "unknown keyword \"instaldir\"; did you mean \"installdir\"?"},
      {{"MESAGE x"}, "script.txt:1", "unknown keyword \"MESAGE\"; did you mean \"message\"?"},
      {{"Done:", "goto dnoe"}, "script.txt:2", "unknown label \"dnoe\"; did you mean \"Done\"?"},
      {{"writeregstr HKLN k n v"}, "script.txt:1", "(HKLM, HKCU, HKCR, HKU or HKCC); did you mean \"HKLM\"?"},
      {{"here: goto here"}, "script.txt:1", "unknown keyword \"here:\" (a label stands alone on its line)"},
      {{"copyfile a"}, "script.txt:1", "\"copyfile\" takes SOURCE DESTINATION; got 1 parameter"},
      {{"file a b c"}, "script.txt:1", "\"file\" takes SOURCE [DESTINATION], or SOURCE SUBFOLDER ROOT KEY"},
      {{"goto nowhere"}, "script.txt:1", "unknown label \"nowhere\"\n"},
      // "iffilecrc" takes exactly 8 hexadecimal digits.
      {{"a:", "iffilecrc x 1A2B3C4 a"}, "script.txt:2", "the CRC \"1A2B3C4\" is not 8 hexadecimal digits"},
      {{"a:", "iffilecrc x 0x1A2B3C a"}, "script.txt:2", "the CRC \"0x1A2B3C\" is not 8 hexadecimal digits"},
      {{"a:", "iffilecrc x 1A2B3C4G a"}, "script.txt:2", "the CRC \"1A2B3C4G\" is not 8 hexadecimal digits"},
      {{"iffilecrc x 1A2B3C4D"}, "script.txt:1", "\"iffilecrc\" takes PATH CRC LABEL-IF-EQUAL [LABEL-IF-DIFFERENT]; got 2"},
      {{"", "again:", "Again:"}, "script.txt:3", "label \"Again\" is already defined at line 2"},
      {{"9lives:"}, "script.txt:1", "\"9lives\" is no label name"},
      {{"message \"open"}, "script.txt:1", "unterminated quote"},
      {{"message \"a\"b"}, "script.txt:1", "text right after a closing double quote"},
      {{"message a\"b\""}, "script.txt:1", "a double quote inside an unquoted parameter"},
      {{"message " + tooLong}, "script.txt:1", "parameter 1 is 65536 bytes long (at most 65,535)"},
      {tooManyLines, "script.txt:65536", "a script holds at most 65,535 lines, this one 65536"},
      {{"name a", "name b"}, "script.txt:2", "\"name\" is already given at line 1"},
      {{"writeregstr HKEY_CURRENT_USER k n v"},
       "script.txt:1",
       "unknown registry root \"HKEY_CURRENT_USER\""},
      {{"file nothing"}, "script.txt:1", "nothing not found"},
      {{"vfsupdate emptyfolder x.vfs"}, "script.txt:1", "emptyfolder holds no files"},
      // A KZP record holds names of at most 127 characters.
      {{"kzpupdate longkzp pw x.kzp"}, "script.txt:1", std::string(124, 'n') + ".dat\" is longer than 127"},
      {{"", "duplicateentry x.kzp " + std::string(128, 'e') + " b"}, "script.txt:2", "is longer than 127"},
      {{"duplicateentry x.kzp a " + std::string(128, 'e')}, "script.txt:1", "is longer than 127"},
      {{"changelog missing.rtf"}, "script.txt:1", "missing.rtf not found"},
      {{"language french"}, "script.txt:1", "french.txt not found"},
      {{"language ansi"}, "script.txt:1", "is not UTF-16 little-endian text with a byte-order mark"},
      {{"language lf"}, "languages/lf.txt:2", "the line ends in a line feed alone"},
      {{"pages none"}, "script.txt:1", "page set folder"},
      {{"pages lf"}, "pages/lf/Pages.txt:2", "the line ends in a line feed alone"},
      {{"pages gap"}, "pages/gap/Pages.txt:3", "page file \"missing.txt\" not found"},
      {{"pages nopic"}, "pages/nopic/p.txt:4", "file \"gone.bmp\" not found"},
      {{"language english", "uninstallicon languages/deutsch.txt",
        "changelog LANGUAGE-english languages/ansi.txt"},
       "script.txt:3",
       "the entry name \"LANGUAGE-english\" is taken already"},
      {{"name x"}, "script.txt", "no \"outfile\" line; write one or name the output with -o", {}},
      // Not the script's: reported without a line.
      {{"name x"}, "setupc", "no stub file", {"-o", out, "--stub", Path("none.exe")}},
      {{"name x"}, "setupc", "cannot create", {"-o", Path("no/such/out.exe")}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> options = c.options;
    std::replace(options.begin(), options.end(), std::string("OUT"), out);
    const RunResult r = Compile(c.script, options);
    const std::string where = c.where == "setupc" ? "setupc: " : Slashes(Path(c.where)) + ": ";
    EXPECT_EQ(r.code, c.code) << c.what;
    EXPECT_EQ(Slashes(r.err).find(where), 0u) << r.err;
    EXPECT_NE(r.err.find(c.what), std::string::npos) << r.err;
    EXPECT_EQ(LineCount(r.err), c.where == "setupc" ? 1u : 2u) << r.err;  // the error and the summary
    EXPECT_FALSE(fs::exists(out)) << c.what;
    EXPECT_FALSE(fs::exists(Path("a.exe"))) << c.what;
    for (const auto& file : fs::directory_iterator(dir_.Path())) {
      EXPECT_EQ(file.path().string().find(".setupc-tmp"), std::string::npos) << c.what;
    }
  }

  // Every error of a script is reported, in line order.
  const RunResult r = Compile({"goto a", "b:", "frob", "b:", "copyfile"}, {"-o", out});
  EXPECT_EQ(r.err, Path("script.txt") + ":1: unknown label \"a\"\n" + Path("script.txt") +
                       ":3: unknown keyword \"frob\"\n" + Path("script.txt") +
                       ":4: label \"b\" is already defined at line 2\n" + Path("script.txt") +
                       ":5: \"copyfile\" takes SOURCE DESTINATION; got 0 parameters\n"
                       "setupc: 4 errors; nothing written\n");
}

// A setup that builds an uninstaller carries a finaliser: the script's, else
// --finaliser, else finalise.exe beside the stub; without one it is written all the
// same, after a warning. An entry added so ends group 0.
TEST_F(CompileTest, LayoutSlipsTheSetupWouldPassOverAreWarningsWithTheNameMeant) {
  const RunResult r = Compile({"outfile a.exe", "pages slips"}, {});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_TRUE(fs::exists(Path("a.exe")));
  const std::string pages = Slashes(Path("pages/slips/Pages.txt")), page = Slashes(Path("pages/slips/p.txt"));
  // "InstallDirLabel" is a name of its own, not a slip.
  EXPECT_EQ(Slashes(r.err),
            pages + ":4: warning: unknown page type \"InstalDir\", read as \"welcome\"; did you mean \"installdir\"?\n" +
                page + ":1: warning: control \"Spaceavalable\" has no special role; did you mean \"SpaceAvalible\"?\n" +
                page + ":2: warning: unknown control type \"TLable\", the control is left out; did you mean \"TLabel\"?\n");
}

// Catches: a per-user setup that still asks for elevation (or a stub whose layout the
// rewrite moved), facts missing from the setup or its uninstaller, lines needing
// administrator rights passed over in silence, and a setup without the keywords that
// changes at all.
TEST_F(CompileTest, PerUserSetupAsksForNoElevationCarriesItsFactsAndWarns) {
  const std::string manifest = R"(<requestedExecutionLevel level="requireAdministrator" uiAccess="false"/>)";
  const Bytes stub = ToBytes("MZ stub " + manifest + " end");
  Source("stub.exe", stub);
  const std::vector<std::string> header = {"outfile a.exe", "uninstallpages uninst", "uninstallfinaliser finalise.exe"};
  std::vector<std::string> lines = header;
  lines.insert(lines.end(), {"privileges user", "version 2.1", "publisher \"Demo Company\"", "url https://example.com",
                             "writeregstr HKLM Software\\Demo V 1", "writeregstr HKCU Software\\Demo V 1",
                             "writeregstr_url demo icon prog", "file payload \"%ProgramFiles%\\Demo\"",
                             "createshortcut \"C:\\Windows\\demo.lnk\" x \"\"", "file payload \"$PROGRAMFILES\\Demo\""});
  RunResult r = Compile(lines, {});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  const std::string script = Path("script.txt"), suffix = "; a per-user setup (\"privileges user\") runs without administrator rights\n";
  EXPECT_EQ(r.err, script + ":8: warning: \"writeregstr\" writes below HKLM" + suffix + script +
                       ":10: warning: \"writeregstr_url\" registers a URL protocol below HKCR" + suffix + script +
                       ":11: warning: \"file\" writes below the Windows or Program Files folder" + suffix + script +
                       ":12: warning: \"createshortcut\" writes below the Windows or Program Files folder" + suffix);
  const Bytes setup = test::ReadFileBytes(Path("a.exe"));
  EXPECT_EQ(ManifestExecutionLevel(setup), "asInvoker");
  EXPECT_EQ(std::string(setup.begin(), setup.begin() + stub.size()),
            "MZ stub <requestedExecutionLevel level=\"asInvoker\"            uiAccess=\"false\"/> end");
  {
    TPak pak;  // closed before the next compile replaces the file
    ASSERT_TRUE(pak.Create(Path("a.exe")));
    const TProductFacts expected{true, "2.1", "Demo Company", "https://example.com"};
    EXPECT_EQ(LoadProductFacts(pak), expected);
    uint32_t size = 0;
    const std::optional<Bytes> copy = pak.ExtractByName("UNINSTALL_ProductFacts", 0, size);
    ASSERT_TRUE(copy);
    EXPECT_EQ(ParseProductFacts(std::string(copy->begin(), copy->end())), expected);
  }
  r = Run({"info", "--json", Path("a.exe")}, {});
  EXPECT_NE(r.out.find(R"("product": {
    "privileges": "user",
    "version": "2.1",
    "publisher": "Demo Company",
    "url": "https://example.com"
  })"), std::string::npos) << r.out;

  ASSERT_EQ(Compile(header, {}).code, kExitOk);  // without the keywords: as before
  const Bytes plain = test::ReadFileBytes(Path("a.exe"));
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), plain.begin()));
  TPak pak;
  ASSERT_TRUE(pak.Create(Path("a.exe")));
  EXPECT_FALSE(pak.IndexOf("ProductFacts", 0));
  EXPECT_NE(Compile({"privileges maybe"}, {}).err.find("\"privileges\" takes user or admin"), std::string::npos);
}

// Catches: a manifest value that differs from what the setup registers or is switched
// by (winget would then loop on upgrades or fail to install silently), a missing exit
// code, the wrong scope, and a hash of other bytes than the setup's.
TEST_F(CompileTest, WingetManifestsMatchTheSetup) {
  Source("stub.exe", ToBytes(R"(MZ <requestedExecutionLevel level="requireAdministrator"/>)"));
  ASSERT_EQ(Compile({"name \"Demo Product 2.1\"", "shortname Demo", "outfile a.exe", "privileges user",
                     "version 2.1", "publisher \"Demo Company\"", "url https://example.com/demo"},
                    {})
                .code,
            kExitOk);
  const RunResult r = Run({"winget", Path("a.exe"), "--id", "DemoCompany.Demo", "--url",
                           "https://example.com/dl/a.exe", "-o", Path("manifests")});
#ifdef _WIN32
  EXPECT_EQ(r.code, kExitFailed);
  EXPECT_NE(r.err.find("built without a YAML library"), std::string::npos) << r.err;
#else
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.err, "");
  const YAML::Node version = YAML::LoadFile(Path("manifests/DemoCompany.Demo.yaml"));
  const YAML::Node installer = YAML::LoadFile(Path("manifests/DemoCompany.Demo.installer.yaml"));
  const YAML::Node locale = YAML::LoadFile(Path("manifests/DemoCompany.Demo.locale.en-US.yaml"));
  for (const YAML::Node& file : {version, installer, locale}) {
    EXPECT_EQ(file["PackageIdentifier"].as<std::string>(), "DemoCompany.Demo");
    EXPECT_EQ(file["PackageVersion"].as<std::string>(), "2.1");
    EXPECT_EQ(file["ManifestVersion"].as<std::string>(), "1.28.0");
  }
  EXPECT_EQ(installer["InstallerType"].as<std::string>(), "exe");
  EXPECT_EQ(installer["Scope"].as<std::string>(), "user");
  EXPECT_EQ(installer["InstallerSwitches"]["Silent"].as<std::string>(), "/S");
  EXPECT_EQ(installer["InstallerSwitches"]["InstallLocation"].as<std::string>(), "/D=<INSTALLPATH>");
  EXPECT_EQ(installer["InstallerSwitches"]["Log"].as<std::string>(), "/LOG=<LOGPATH>");
  std::string codes;
  for (const YAML::Node& code : installer["ExpectedReturnCodes"]) {
    codes += code["InstallerReturnCode"].as<std::string>() + "=" + code["ReturnResponse"].as<std::string>() + " ";
  }
  EXPECT_EQ(codes, "1=cancelledByUser 2=contactSupport 3=contactSupport 4=invalidParameter 5=contactSupport ");
  const YAML::Node entry = installer["AppsAndFeaturesEntries"][0];
  EXPECT_EQ(entry["DisplayName"].as<std::string>() + "|" + entry["Publisher"].as<std::string>() + "|" +
                entry["DisplayVersion"].as<std::string>(),
            "Demo|Demo Company|2.1");
  const YAML::Node setup = installer["Installers"][0];
  EXPECT_EQ(setup["InstallerUrl"].as<std::string>(), "https://example.com/dl/a.exe");
  const Bytes bytes = test::ReadFileBytes(Path("a.exe"));
  platform::Sha256 digest;
  platform::Sha256Digest expected{};
  ASSERT_TRUE(digest.Update(bytes.data(), bytes.size()) && digest.Final(expected));
  EXPECT_EQ(AsciiLower(setup["InstallerSha256"].as<std::string>()), platform::DigestHex(expected));
  EXPECT_FALSE(installer["ElevationRequirement"]);
  EXPECT_EQ(locale["Publisher"].as<std::string>() + "|" + locale["PackageName"].as<std::string>() + "|" +
                locale["PackageUrl"].as<std::string>() + "|" + locale["ShortDescription"].as<std::string>(),
            "Demo Company|Demo|https://example.com/demo|Demo Product 2.1");
#endif
  // Without a version the installed program cannot be recognised; a bad identifier.
  ASSERT_EQ(Compile({"name x", "outfile b.exe", "publisher y"}, {}).code, kExitOk);
  EXPECT_EQ(Run({"winget", Path("b.exe"), "--id", "A.B"}).code, kExitFailed);
  EXPECT_EQ(Run({"winget", Path("a.exe"), "--id", "NoDot"}).code, kExitUsage);
}

TEST_F(CompileTest, FinaliserComesFromTheScriptTheOptionOrBesideTheStub) {
  fs::create_directories(Path("bin"));
  Source("bin/stub.exe", ToBytes("MZ stub in bin"));
  Source("other.exe", ToBytes("MZ other finaliser"));
  const std::vector<std::string> uninstaller = {"outfile setup.exe", "uninstallpages uninst",
                                                "file payload/docs"};
  std::vector<std::string> named = uninstaller;
  named.push_back("uninstallfinaliser finalise.exe");  // the one in the script's folder
  struct Case {
    std::string what;
    std::vector<std::string> script;
    bool besideStub;     // bin/finalise.exe exists
    std::string option;  // --finaliser, below the script's folder
    int code;
    std::string carried;  // the entry's source ("": no entry)
    std::string err;      // a part of err ("": empty)
  };
  const Case cases[] = {
      {"beside the stub", uninstaller, true, "", kExitOk, "bin/finalise.exe", ""},
      {"the option first", uninstaller, true, "other.exe", kExitOk, "other.exe", ""},
      {"the script's first", named, true, "other.exe", kExitOk, "finalise.exe", ""},
      {"none found", uninstaller, false, "", kExitOk, "",
       "setupc: warning: no finaliser " + Path("bin/finalise.exe") +
           " beside the stub (name one with --finaliser FILE or an \"uninstallfinaliser\" line): the "
           "uninstaller will stay behind after uninstalling\n"},
      {"no uninstaller, no finaliser", {"outfile setup.exe", "file payload/docs"}, true, "", kExitOk, "", ""},
      {"the option names no file", uninstaller, true, "none.exe", kExitFailed, "", "no finaliser file"},
  };
  for (const Case& c : cases) {
    fs::remove(Path("setup.exe"));
    if (c.besideStub) {
      Source("bin/finalise.exe", ToBytes("MZ finaliser beside the stub"));
    } else {
      fs::remove(Path("bin/finalise.exe"));
    }
    std::vector<std::string> options = {"--stub", Path("bin/stub.exe")};
    if (!c.option.empty()) options.insert(options.end(), {"--finaliser", Path(c.option)});
    const RunResult r = Compile(c.script, options);
    ASSERT_EQ(r.code, c.code) << c.what << ": " << r.err;
    if (c.err.empty()) {
      EXPECT_EQ(r.err, "") << c.what;
    } else {
      EXPECT_NE(Slashes(r.err).find(Slashes(c.err)), std::string::npos) << c.what << ": " << r.err;
    }
    if (c.code != kExitOk) {
      EXPECT_FALSE(fs::exists(Path("setup.exe"))) << c.what;
      continue;
    }
    TPak pak;
    ASSERT_TRUE(pak.Create(Path("setup.exe"))) << c.what;
    const std::vector<TPakEntry>& entries = pak.Entries();
    const auto isFinaliser = [](const TPakEntry& e) { return e.Name == "UNINSTALL_FINALISE.EXE"; };
    ASSERT_EQ(std::count_if(entries.begin(), entries.end(), isFinaliser), c.carried.empty() ? 0 : 1)
        << c.what;
    if (c.carried.empty()) continue;
    const auto index =
        static_cast<size_t>(std::find_if(entries.begin(), entries.end(), isFinaliser) - entries.begin());
    EXPECT_EQ(entries[index].Group, 0) << c.what;
    if (c.script != named) {
      EXPECT_NE(entries.at(index + 1).Group, 0) << c.what << ": not the last of group 0";
    }
    EXPECT_EQ(pak.ExtractEntry(index).value_or(Bytes{}), test::ReadFileBytes(Path(c.carried))) << c.what;
  }
}

TEST_F(CompileTest, OutputIsTheSameWithOneAndTwoWorkers) {
  // Entries of very different costs, so that the workers finish out of order.
  for (int i = 0; i < 24; ++i) {
    const size_t size = (i % 4 == 3) ? 0 : 20000 + 37000 * static_cast<size_t>(i % 5);
    Source("payload/f" + std::to_string(100 + i),
           i % 2 ? test::RandomBytes(size, static_cast<uint32_t>(i))
                 : test::CompressibleBytes(size, static_cast<uint32_t>(i)));
  }
  std::vector<Bytes> results;
  for (const char* jobs : {"1", "2", "2"}) {
    const RunResult r = Compile({"outfile setup.exe", "file payload", "file payload"}, {"--jobs", jobs});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    results.push_back(test::ReadFileBytes(Path("setup.exe")));
  }
  EXPECT_EQ(results[0], results[1]);
  EXPECT_EQ(results[0], results[2]);
  EXPECT_EQ(Run({"verify", Path("setup.exe")}).code, kExitOk);
}

}  // namespace
}  // namespace setup::setupc
