// The uninstall run against the posix platform: what the removal deletes and what it
// leaves, the status lines and the gauge it shows, the registry entry parser, and the
// hand-over to the finaliser.
#include "uninstall/uninstall_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/codepage.h"
#include "platform/registry.h"
#include "script/script_run_fixture.h"
#include "uninstall/finaliser_launch.h"
#include "uninstall/uninstaller_builder.h"

namespace setup::test {
namespace {

namespace fs = std::filesystem;

Bytes UninstallLanguageFile() {
  return Utf16File(
      u"English\r\n0409;\r\n19 Uninstalling <%KZPNAME%>: <%FNUM%> of <%FTOTAL%> items\r\n"
      u"24 registary enteries\r\n25 directories\r\n");
}

struct RecordingView : IRemovalView {
  void SetStatus(const std::u16string& text) override { statuses.push_back(platform::WideToAnsi(text)); }
  void SetGaugeMax(int32_t maximum) override { max = maximum; }
  void SetGaugePosition(int32_t position) override { positions.push_back(position); }
  void Repaint() override { ++repaints; }

  std::vector<std::string> statuses;
  std::vector<int32_t> positions;
  int32_t max = -1;
  int repaints = 0;
};

constexpr const char* kProductKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo Product";

class UninstallRunTest : public ScriptRunTest {
 protected:
  void SetUp() override {
    ScriptRunTest::SetUp();
    uninstallLanguage_ = UninstallLanguageFile();
    context.Languages.Add(uninstallLanguage_.data(), uninstallLanguage_.size());
    context.Languages.Current = 1;
    context.SetupInfo.IsUninstaller = 1;
    // The registration exactly as the builder writes it (no package: it only registers).
    BuildUninstaller(context, std::string(64, 'a'));
    MakeFile(InstallLogPath(context.SetupInfo.InstallDir, ""));
  }

  static void MakeFile(const std::string& windowsPath) {
    const fs::path local = Local(windowsPath);
    fs::create_directories(local.parent_path());
    WriteFileBytes(local.string(), ToBytes("x"));
  }
  static bool Exists(const std::string& windowsPath) { return fs::exists(Local(windowsPath)); }

  static bool ProductKeyLeft() {
    for (const auto& item : platform::posix::RegistryContents()) {
      if (item.path.rfind(kProductKey, 0) == 0) return true;
    }
    return false;
  }

  RecordingView Remove() {
    RecordingView view;
    RunRemoval(context, view);
    return view;
  }

  Bytes uninstallLanguage_;
};

TEST_F(UninstallRunTest, EmptyLogRemovesOnlyTheRegistrationAndTheLog) {
  ASSERT_TRUE(ProductKeyLeft());
  const std::string other = std::string(kUninstallKeyPath) + "Other";
  WriteRegistryString(platform::kHkeyLocalMachine, other, "DisplayName", "data");
  MakeFile("C:\\Program Files\\Demo\\Uninstall.exe");

  const RecordingView view = Remove();

  EXPECT_EQ(view.statuses, std::vector<std::string>{"Status: 0 of 0 items remaining"});
  EXPECT_EQ(view.positions, std::vector<int32_t>{0});
  EXPECT_EQ(view.max, 0);
  EXPECT_GE(view.repaints, 1);  // shown at once: no messages are processed meanwhile
  EXPECT_FALSE(ProductKeyLeft()) << "every value the builder writes, and the key, must go";
  EXPECT_TRUE(HasRegistryValue(platform::kHkeyLocalMachine, other, "DisplayName"));
  EXPECT_FALSE(Exists("C:\\Program Files\\Demo\\install.log"));
  EXPECT_TRUE(Exists("C:\\Program Files\\Demo\\Uninstall.exe"));
}

TEST_F(UninstallRunTest, RegistrationKeptByASubkeyStillLosesEveryValue) {
  // The key cannot go while it has a subkey; the values the builder wrote must go anyway.
  WriteRegistryString(platform::kHkeyLocalMachine, std::string(kProductKey) + "\\Sub", "Foreign", "data");
  Remove();
  for (const char* name : kUninstallValueNames) {
    EXPECT_FALSE(HasRegistryValue(platform::kHkeyLocalMachine, kProductKey, name)) << name;
  }
  EXPECT_TRUE(HasRegistryValue(platform::kHkeyLocalMachine, std::string(kProductKey) + "\\Sub", "Foreign"));
}

TEST_F(UninstallRunTest, EmptyShortNameLeavesTheUninstallKeyAlone) {
  // A product without a short name is not registered; its removal must not take the
  // values or the key of the Uninstall key itself.
  const std::string uninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  WriteRegistryString(platform::kHkeyLocalMachine, uninstallKey, "DisplayName", "data");
  for (const char* name : {"", "\\"}) {
    context.SetupInfo.ShortName = name;
    Remove();
    EXPECT_TRUE(HasRegistryValue(platform::kHkeyLocalMachine, uninstallKey, "DisplayName"))
        << '"' << name << '"';
  }
}

TEST_F(UninstallRunTest, LongFilePhaseShowsFromTheFirstWholePercent) {
  constexpr int kFiles = 250;
  const auto name = [](int i) { return "f" + std::to_string(i) + ".dat"; };
  for (int i = 1; i <= kFiles; ++i) {
    MakeFile(context.SetupInfo.InstallDir + name(i));
    context.UninstallList.AddFile("$INSTDIR" + name(i));  // the variable form
  }
  const RecordingView view = Remove();

  // 1 and 2 of 250 are below one per cent: no change; from 3 on, every file shows.
  ASSERT_EQ(view.statuses.size(), 1u + (kFiles - 2));
  EXPECT_EQ(view.statuses[1], "Uninstalling : 3 of 250 items");
  EXPECT_EQ(view.statuses.back(), "Uninstalling : 250 of 250 items");
  EXPECT_EQ(view.positions[1], 3);
  EXPECT_EQ(view.positions.back(), kFiles);
  EXPECT_EQ(view.max, kFiles);
  for (int i = 1; i <= kFiles; ++i) EXPECT_FALSE(Exists(context.SetupInfo.InstallDir + name(i))) << i;
  EXPECT_FALSE(ProgressDue(1, 101, 0));
  EXPECT_TRUE(ProgressDue(1, 100, 0));
  EXPECT_FALSE(ProgressDue(50, 100, 50));
}

TEST_F(UninstallRunTest, FolderHoldingAForeignFileStaysWithItsParents) {
  const std::string root = "C:\\Program Files\\Demo\\";
  for (const char* folder : {"", "a\\", "a\\b\\", "c\\", "c\\d\\"}) {  // removed from the last
    context.UninstallList.AddFolder(root + folder);
  }
  context.UninstallList.AddFile(root + "a\\b\\ours.dat");
  MakeFile(root + "a\\b\\ours.dat");
  MakeFile(root + "a\\b\\foreign.dat");
  fs::create_directories(Local(root + "c\\d"));

  const RecordingView view = Remove();

  for (const char* gone : {"a\\b\\ours.dat", "c"}) EXPECT_FALSE(Exists(root + gone)) << gone;
  for (const char* kept : {"a\\b\\foreign.dat", "a\\b", "a", ""}) EXPECT_TRUE(Exists(root + kept)) << kept;
  // The folder phase counts its own items, the gauge goes on after the files.
  EXPECT_EQ(view.statuses.back(), "Uninstalling directories: 5 of 5 items");
  EXPECT_EQ(view.positions.back(), 6);
}

// Catches: a folder the code page lacks turned into "?" (or any other name) anywhere
// between $INSTDIR, the extraction, the install log's bytes and the removal.
TEST_F(UninstallRunTest, FoldersTheCodePageLacksInstallAndUninstallWhole) {
  OpenPackage({{"SetupInfo", 0, ToBytes("info")}, {"readme.txt", 1, ToBytes("text")},
               {"data\\level.dat", 1, ToBytes("level")}});
  Line("file", {"payload", "1"});
  for (const std::u16string top : {u"Игры", u"Παιχνίδια", u"游戏", u"\U0001F3AE Games"}) {
    const std::string dir = platform::WideToAnsi(u"C:\\" + top + u"\\Demo\\");
    SCOPED_TRACE(dir);
    context.SetupInfo.IsUninstaller = 0;
    context.SetupInfo.InstallDir = dir;
    context.UninstallList.Clear();
    Run();
    ASSERT_FALSE(context.Run.SetupFailed);
    EXPECT_EQ(ReadFileBytes(Local(dir + "data\\level.dat")), ToBytes("level"));
    ASSERT_TRUE(context.UninstallList.Save(dir, ""));

    context.UninstallList.Clear();
    ASSERT_EQ(context.UninstallList.Load(dir, ""), LoadResult::Loaded);
    EXPECT_EQ(context.UninstallList.Folders().front(), platform::WideToAnsi(u"C:\\" + top + u"\\"));
    context.SetupInfo.IsUninstaller = 1;
    Remove();
    for (const char* gone : {"readme.txt", "data\\level.dat", "data"}) EXPECT_FALSE(Exists(dir + gone)) << gone;
  }
}

TEST_F(UninstallRunTest, RelativeEntriesArePassedOver) {
  // Resolved against whatever folder is current, they could name anything.
  const std::string name = "uninstall-run-relative-" + std::to_string(::getpid());
  WriteFileBytes(name + ".dat", ToBytes("x"));
  fs::create_directory(name);
  context.UninstallList.AddFile(name + ".dat");
  context.UninstallList.AddFolder(name);
  Remove();
  EXPECT_TRUE(fs::exists(name + ".dat"));
  EXPECT_TRUE(fs::exists(name));
  fs::remove(name + ".dat");
  fs::remove(name);
}

TEST_F(UninstallRunTest, RegistryEntryRecordedTwiceIsRemovedOnce) {
  WriteRegistryString(platform::kHkeyClassesRoot, "demo", "", "data");
  WriteRegistryString(platform::kHkeyClassesRoot, "demo", "URL Protocol", "data");
  context.UninstallList.AddRegistryEntry("\"HKCR\" \"demo\" \"\" \"URL:Demo\"");  // writeregstr
  context.UninstallList.AddRegistryEntry("\"HKCR\" \"demo\" \"\" \"\"");          // writeregstr_url
  context.UninstallList.AddRegistryEntry("\"HKCR\" \"demo\" \"URL Protocol\" \"\"");
  context.UninstallList.AddFile("C:\\gone.dat");

  const RecordingView view = Remove();

  EXPECT_FALSE(HasRegistryValue(platform::kHkeyClassesRoot, "demo", ""));
  EXPECT_FALSE(HasRegistryValue(platform::kHkeyClassesRoot, "demo", "URL Protocol"));
  const std::vector<std::string> expected = {"Status: 0 of 4 items remaining", "Uninstalling : 1 of 1 items",
                                             "Uninstalling registary enteries: 1 of 3 items",
                                             "Uninstalling registary enteries: 2 of 3 items",
                                             "Uninstalling registary enteries: 3 of 3 items"};
  EXPECT_EQ(view.statuses, expected);
  EXPECT_EQ(view.positions, (std::vector<int32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(view.max, 4);
}

TEST(RegistryEntrySplit, FieldsAsRecordedAndDamaged) {
  const struct { const char* entry; std::vector<std::string> fields; } cases[] = {
      {R"("HKLM" "Software\A B" "Name" "data x")", {"HKLM", "Software\\A B", "Name", "data x"}},
      {"HKCU\tSoftware\\X\t\t Value", {"HKCU", "Software\\X", "Value"}},
      {R"(   "HKLM"    "K"   )", {"HKLM", "K"}},
      {R"("HKCR" "p" "" "")", {"HKCR", "p", "", ""}},
      {R"("HKLM" "K" "V" "d" "beyond")", {"HKLM", "K", "V", "d"}},
      {R"(H"K L"M K)", {"HK LM", "K"}},
      {R"("HKLM K V)", {"HKLM K V"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitRegistryEntry(c.entry), c.fields) << c.entry;
}

TEST_F(UninstallRunTest, RemoveRegistryEntryDeletesOneValueNeverAKey) {
  struct Case {
    const char* entry;
    bool deleted;
    uint32_t root;          // where the value was
    const char* valueName;  // the value gone afterwards (when deleted)
  };
  const Case cases[] = {
      {R"("HKCU" "Software\T" "V" "x")", true, platform::kHkeyCurrentUser, "V"},
      {R"("hkcu" "Software\T\" "" "")", true, platform::kHkeyCurrentUser, ""},
      {R"("XYZ" "Software\T" "V" "")", true, platform::kHkeyLocalMachine, "V"},  // unknown root: HKLM
      {R"("HKCU" "Software\T" "Missing" "")", false, 0, nullptr},
      {R"("HKCU" "Software\Absent" "V" "")", false, 0, nullptr},
      {R"("HKCU" "Software\T")", false, 0, nullptr},  // no value name: damaged
  };
  for (const Case& c : cases) {
    platform::posix::ResetRegistry();
    for (uint32_t root : {platform::kHkeyCurrentUser, platform::kHkeyLocalMachine}) {
      WriteRegistryString(root, "Software\\T", "", "data");
      WriteRegistryString(root, "Software\\T", "V", "data");
    }
    const size_t before = platform::posix::RegistryContents().size();
    EXPECT_EQ(RemoveRegistryEntry(c.entry), c.deleted) << c.entry;
    EXPECT_EQ(platform::posix::RegistryContents().size(), before - (c.deleted ? 1 : 0)) << c.entry;
    if (c.deleted) {
      EXPECT_FALSE(HasRegistryValue(c.root, "Software\\T", c.valueName)) << c.entry;
    }
    EXPECT_FALSE(platform::RegistryKeyExists(platform::kHkeyCurrentUser, "Software\\Absent")) << c.entry;
  }
}

// ---- the finaliser ----

class FinaliserTest : public ScriptRunTest {
 protected:
  void SetUp() override {
    ScriptRunTest::SetUp();
    platform::posix::SetCommandLine({}, "C:\\Program Files\\Demo\\Uninstall.exe");
  }
  void TearDown() override {
    platform::posix::SetCommandLine({}, "");
    ScriptRunTest::TearDown();
  }
};

TEST_F(FinaliserTest, WritesTheProgramAndStartsItWithTheQuotedPath) {
  const std::string record = dir_.Path("argument.txt");
  const std::string script = "#!/bin/sh\nprintf '%s:%s' \"$#\" \"$1\" > '" + record + ".part' && mv '" +
                             record + ".part' '" + record + "'\n";
  OpenPackage({{"FINALISE.EXE", 0, ToBytes(script)}});
  // The posix build runs only a file marked executable; writing keeps the mark.
  const std::string program = Local("C:\\Temp\\FINALISE.exe");
  WriteFileBytes(program, {});
  ASSERT_EQ(::chmod(program.c_str(), 0755), 0);

  ASSERT_TRUE(RunFinaliser(context));
  EXPECT_EQ(ReadFileBytes(program), ToBytes(script));
  for (int i = 0; i < 500 && !fs::exists(record); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadFileBytes(record), ToBytes("1:C:\\Program Files\\Demo\\Uninstall.exe"));
}

TEST_F(FinaliserTest, WritesIntoAMissingTemporaryFolderAndReportsAFailedStart) {
  platform::posix::SetTemporaryFolder("C:\\New Temp\\");
  OpenPackage({{"Finalise.exe", 0, ToBytes("not a program")}});
  EXPECT_FALSE(RunFinaliser(context));  // not executable here: the start fails
  EXPECT_EQ(ReadFileBytes(Local("C:\\New Temp\\FINALISE.exe")), ToBytes("not a program"));
  EXPECT_EQ(context.UninstallList.Folders(), std::vector<std::string>{"C:\\New Temp\\"});
}

TEST_F(FinaliserTest, MissingOrEmptyEntryWritesNothing) {
  for (const std::vector<RawEntry>& entries :
       {std::vector<RawEntry>{{"Other.exe", 0, ToBytes("x")}, {"FINALISE.EXE", 1, ToBytes("x")}},
        std::vector<RawEntry>{{"FINALISE.EXE", 0, {}}}}) {
    context.Package.Close();
    OpenPackage(entries);
    EXPECT_FALSE(RunFinaliser(context));
    EXPECT_FALSE(fs::exists(Local("C:\\Temp\\FINALISE.exe")));
  }
}

}  // namespace
}  // namespace setup::test
