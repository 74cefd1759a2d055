// The second half of start-up, run after the real verification against the posix
// platform: sandbox files, in-memory registry, settable drives, folders and language.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "platform/posix/posix_controls.h"
#include "platform/posix/registry_posix.h"
#include "platform/posix/shell_controls.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "setup/file_name_check.h"
#include "setup/self_verification.h"
#include "setup/startup_sequence.h"
#include "test_support.h"

namespace setup {
namespace {

namespace posix = platform::posix;
using test::Bytes;
using test::Utf16File;
constexpr uint32_t kHklm = platform::kHkeyLocalMachine, kHkcu = platform::kHkeyCurrentUser;

class RecordingForm : public IMainForm {
 public:
  void SetPagesUp() override { calls.push_back("SetPagesUp"); }
  ExitCode Run() override {
    calls.push_back("Run");
    return ExitCode::Success;
  }
  std::vector<std::string> calls;
};

class NullView : public IVerifyView {
 public:
  void SetStatus(const std::string&) override {}
  void SetProgress(uint32_t, uint32_t) override {}
  void Repaint() override {}
};

// One start. The defaults make an installer, run from its own file, that starts cleanly.
struct Scenario {
  Scenario() {
    info.ShortName = "Demo";
    info.SetupExeName = "setup.exe";
    info.InstallDir = "C:\\Games\\Demo";
    // A comment line, then file (7), kzpupdate (11), name (2, no group), vfsupdate (30).
    for (int32_t id : {-1, 7, 11, 2, 30})
      lines.Add({id, {}, 0, id < 0 ? -1 : static_cast<int32_t>(lines.Count())});
  }
  TSetupInfoFile info;
  TCompLines lines;
  std::map<std::string, std::optional<Bytes>> replace;  // nullopt: the entry is left out
  std::vector<test::RawEntry> extra;                     // group-0 entries added at the end
  std::string exeName = "setup.exe";
  enum { kNone, kPackageFile, kFolder } argument = kNone;  // the first argument
  StartupOptions options;
};

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    posix::SetSandboxRoot(dir_.Path("root"));
    std::filesystem::create_directories(posix::MapPath("C:\\Games\\Demo"));
    posix::SetManualClock(true, 1000);
    posix::ResetRegistry();
    posix::SetEnvironmentBlock({"TEMP=C:\\Temp"});
  }
  void TearDown() override {
    posix::SetSandboxRoot("");
    posix::SetManualClock(false);
    posix::ResetRegistry();
    posix::UseProcessEnvironment();
    posix::SetSystemDefaultLangId(0x0409);
    posix::ResetLogicalDrives();
    posix::ResetSpecialFolders();
    posix::ResetFreeDiskSpace();
  }

  static std::vector<test::RawEntry> Entries(const Scenario& s) {
    std::vector<test::RawEntry> entries;
    for (test::RawEntry e : std::vector<test::RawEntry>{
             {"SetupInfo", 0, s.info.Serialize()},
             {"CompiledLines", 0, s.lines.Serialize()},
             {"language-deutsch", 0, Utf16File(u"Deutsch\r\n0407;\r\n1 Hallo\r\n")},
             {"LANGUAGE-english", 0, Utf16File(u"English\r\n0409;0809;\r\n1 Hello\r\n")},
             // Not languages: loading either would fail.
             {"LANGUAGEX", 0, test::ToBytes("junk")},
             {"UNINSTALL_LANGUAGE-english", 0, test::ToBytes("junk")},
             // Group 1 (file) counts with its size, 2 and 3 (archives) with their stored
             // size unless stored uncompressed; group 4 has no script line.
             {"bin\\a.dat", 1, test::CompressibleBytes(10000)},
             {"b.kzp", 2, test::CompressibleBytes(8000, 2)},
             {"c.raw", 3, test::RandomBytes(500), false},
             {"d.dat", 4, test::CompressibleBytes(700, 3)}}) {
      const auto r = s.replace.find(e.name);
      if (r != s.replace.end() && !r->second) continue;
      if (r != s.replace.end()) e.content = *r->second;
      entries.push_back(e);
    }
    entries.insert(entries.end(), s.extra.begin(), s.extra.end());
    return entries;
  }

  // Verifies the package and runs the second half; the boxes shown are in boxes_.
  ExitCode Run(const Scenario& s) {
    raw_ = test::BuildRawPackage(Entries(s), test::ToBytes("MZ stub"));
    const std::string module = dir_.Path(s.exeName);
    test::WriteFileBytes(module,
                         s.argument == Scenario::kPackageFile ? test::ToBytes("MZ stub") : raw_.bytes);
    test::WriteFileBytes(dir_.Path("data.pak"), test::BuildRawPackage(Entries(s)).bytes);
    std::vector<std::string> args;
    if (s.argument != Scenario::kNone)
      args = {s.argument == Scenario::kFolder ? dir_.Path() : dir_.Path("data.pak")};

    context_ = std::make_unique<SetupContext>();
    context_->SystemLangID = platform::SystemDefaultLangId();
    form_.calls.clear();
    boxes_.boxes.clear();
    NullView view;
    EXPECT_EQ(OpenAndVerifyPackage(*context_, args, module, view), VerificationOutcome::Verified);
    return FinishStartup(*context_, module, form_, s.options);
  }

  test::TempDir dir_;
  test::RawPackage raw_;
  std::unique_ptr<SetupContext> context_;
  RecordingForm form_;
  test::MessageRecorder boxes_;
};

// Also: a record that ends early taken as loaded, the log looked for without its prefix,
// the name check skipped when the first argument is a folder.
TEST_F(Startup, EachFailureShowsItsMessageAndStopsBeforeTheWizard) {
  const auto truncated = [](Bytes b) {
    b.pop_back();
    return std::optional<Bytes>(b);
  };
  const struct {
    const char* what;
    std::function<void(Scenario&)> change;
    const char* text;
    const char* caption;
    ExitCode code = ExitCode::DamagedSetup;
  } cases[] = {
      {"no SetupInfo", [](Scenario& s) { s.replace["SetupInfo"] = std::nullopt; },
       "Error: Setup Information Missing. Setup is corrupt", "Verification Error"},
      {"a SetupInfo that ends early",
       [&](Scenario& s) { s.replace["SetupInfo"] = truncated(s.info.Serialize()); },
       "Error: Setup Information Missing. Setup is corrupt", "Verification Error"},
      {"an uninstaller whose log exists only without its prefix",
       [](Scenario& s) {
         s.info.IsUninstaller = 1;
         s.info.UninstallPrefix = "demo_";
         test::WriteFileBytes(posix::MapPath("C:\\Games\\Demo\\install.log"), {});
       },
       "Error: install log is missing", "Setup Error", ExitCode::StartupRefused},
      {"no CompiledLines", [](Scenario& s) { s.replace["CompiledLines"] = std::nullopt; },
       "Error: Compiled Lines Missing. Setup is corrupt", "Verification Error"},
      {"CompiledLines that end early",
       [&](Scenario& s) { s.replace["CompiledLines"] = truncated(s.lines.Serialize()); },
       "Error: Compiled Lines Missing. Setup is corrupt", "Verification Error"},
      {"a renamed setup, a folder as first argument (ignored)",
       [](Scenario& s) {
         s.info.SetupExeName = "Output\\Setup.exe";
         s.exeName = "Setup (3).exe";
         s.argument = Scenario::kFolder;
       },
       "Error: Setup`s filename has been renamed\r\rExpected: \rOutput\\Setup.exe\r\rFound: \rSetup (3).exe",
       "Error", ExitCode::StartupRefused},
      {"no folder in the setup or the registry",
       [](Scenario& s) {
         s.info.InstallDir = "";
         s.info.InstallDirRegKey[0] = {1, "Software\\Demo", "Path"};
         test::WriteRegistryString(kHkcu, "Software\\Demo", "Path", "");
       },
       "Error: Registry Key Not Found. Please Install Software", "Error", ExitCode::StartupRefused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Scenario s;
    c.change(s);
    EXPECT_EQ(Run(s), c.code);
    test::ExpectOneBox(boxes_, c.caption, c.text);
    EXPECT_TRUE(form_.calls.empty());
  }
}

// Archive groups count with their stored size, groups without a script line not at all;
// the name check is skipped when the package is named on the command line.
TEST_F(Startup, AnInstallerLoadsItsScriptFoldersSpaceAndLanguages) {
  posix::SetLogicalDrives({{"C:\\", platform::DriveType::Fixed},
                           {"D:\\", platform::DriveType::Removable},
                           {"E:\\", platform::DriveType::CdRom}});
  posix::SetSpecialFolder(platform::kFolderProgramFiles, "C:\\Apps");
  posix::SetSpecialFolder(platform::kFolderPrograms, "C:\\Menu");
  posix::SetSpecialFolder(platform::kFolderDesktop, "C:\\Desk");
  posix::SetFreeDiskSpace("C:\\", uint64_t{5} << 30);
  Scenario s;
  s.argument = Scenario::kPackageFile;
  s.exeName = "stub.exe";
  ASSERT_EQ(Run(s), ExitCode::Success);
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_EQ(form_.calls, (std::vector<std::string>{"SetPagesUp", "Run"}));

  const SetupContext& c = *context_;
  const TPathVariables& v = c.Variables;
  EXPECT_TRUE(c.ExternalPackage);
  EXPECT_EQ(c.GroupKinds, (std::vector<uint8_t>{0, 0, 1, 1}));
  EXPECT_EQ(v.RequiredSpace, 10000 + raw_.records[7].storedSize + 500);
  EXPECT_EQ(v.CdDrive, "E:\\");
  EXPECT_EQ(v.ProgramFiles + v.SmPrograms + v.Desktop, "C:\\Apps\\C:\\Menu\\C:\\Desk\\");
  EXPECT_EQ(v.Environment, (TEnvironmentTable{{"TEMP", "C:\\Temp"}}));
  EXPECT_EQ(c.Macros.ApplyMacros(u"<%SETUPSHORTTITLE%>|<%SPACEAVA%>|<%SPACEREQ%>"),
            u"Demo|5.00 GB|" + platform::AnsiToWide(v.RequiredSpaceText));
  ASSERT_EQ(c.Languages.Languages().size(), 2u);
  EXPECT_EQ(c.Languages.Languages()[1].Name(), u"English");
}

// No script, name check, registry look-up or drive measurement; the log comes from the
// folder and prefix of the setup information.
TEST_F(Startup, AnUninstallerLoadsItsLogAndNothingOfTheInstaller) {
  Scenario s;
  s.info.IsUninstaller = 1;
  s.info.UninstallPrefix = "demo_";
  s.info.InstallDirRegKey[0] = {1, "Software\\Demo", "Path"};
  test::WriteRegistryString(kHkcu, "Software\\Demo", "Path", "C:\\Elsewhere");
  s.replace["CompiledLines"] = std::nullopt;
  s.exeName = "Uninstall.exe";
  TUninstallList log;
  log.AddFile("C:\\Games\\Demo\\demo.exe");
  ASSERT_TRUE(log.Save("C:\\Games\\Demo", "demo_"));

  ASSERT_EQ(Run(s), ExitCode::Success);
  EXPECT_TRUE(boxes_.boxes.empty());
  const SetupContext& c = *context_;
  EXPECT_EQ(c.UninstallList.Files(), log.Files());
  EXPECT_EQ(c.Variables.RequiredSpace, 0);
  EXPECT_EQ(c.Variables.RequiredSpaceText, "0.00 Bytes");
  EXPECT_EQ(c.SetupInfo.InstallDir, "C:\\Games\\Demo");
  EXPECT_EQ(c.Variables.FreeSpaceText, "");
  EXPECT_EQ(c.Commands.Count(), 0u);
}

// The registration's digest decides whether the log may direct the removal. Catches: a
// changed log acted on (an added entry, or a byte after the last one, which a digest of
// the decoded entries would miss), digits compared with their case, and an installation
// without the digest refused.
TEST_F(Startup, AnUninstallerActsOnlyOnTheLogItsInstallationSaved) {
  const std::string productKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo";
  TUninstallList log, forged;
  log.AddFile("$INSTDIR\\demo.exe");
  forged.AddFile("C:\\Windows\\System32\\kernel32.dll");
  const struct {
    const char* what;
    const TUninstallList* written;  // the log on disk, 0 appended when "extra"
    bool extra;
    std::optional<bool> capitals;  // the digest as recorded; nullopt: none recorded
    ExitCode code;
    bool perUser = false;  // "privileges user": the registration under HKCU
  } cases[] = {
      {"the log as saved, its digest in capitals", &log, false, true, ExitCode::Success},
      {"no digest recorded: any log, as before", &forged, false, std::nullopt, ExitCode::Success},
      {"another log", &forged, false, false, ExitCode::StartupRefused},
      {"a byte after the last entry", &log, true, false, ExitCode::StartupRefused},
      {"per-user: the log as saved", &log, false, false, ExitCode::Success, true},
      {"per-user: another log", &forged, false, false, ExitCode::StartupRefused, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    posix::ResetRegistry();
    const uint32_t root = c.perUser ? kHkcu : kHklm;
    test::WriteRegistryString(root, productKey, "DisplayName", "Demo");
    std::string digest;
    ASSERT_TRUE(log.Save("C:\\Games\\Demo", "demo_", &digest));
    if (c.capitals.value_or(false)) {
      for (char& ch : digest) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    if (c.capitals) test::WriteRegistryString(root, productKey, "InstallLogDigest", digest);
    ASSERT_TRUE(c.written->Save("C:\\Games\\Demo", "demo_"));
    if (c.extra) {
      const std::string path = posix::MapPath("C:\\Games\\Demo\\demo_install.log");
      Bytes bytes = test::ReadFileBytes(path);
      bytes.push_back(0);
      test::WriteFileBytes(path, bytes);
    }
    Scenario s;
    s.info.IsUninstaller = 1;
    s.info.UninstallPrefix = "demo_";
    if (c.perUser) s.extra.push_back({"ProductFacts", 0, test::ToBytes("privileges=user\r\n")});
    ASSERT_EQ(Run(s), c.code);
    if (c.code == ExitCode::Success) {
      EXPECT_EQ(context_->UninstallList.Files(), c.written->Files());
      continue;
    }
    test::ExpectOneBox(boxes_, "Setup Error",
                       "Error: install log has been changed since the installation\r\r"
                       "C:\\Games\\Demo\\demo_install.log\r\rNothing has been removed.");
    EXPECT_TRUE(form_.calls.empty());
    EXPECT_TRUE(context_->UninstallList.Files().empty());
  }
}

// The first slot with a non-empty value wins; the free space is that of the expanded
// folder's drive (either case), unknown when the query fails.
TEST_F(Startup, TheInstallFolderAndItsFreeSpace) {
  posix::SetFreeDiskSpace("D:\\", 3 * 1024);
  const struct {
    const char* what;
    std::string installDir, slot3Value, expectedDir;
    int64_t freeSpace;  // 1: any positive number (the sandbox's own file system)
    std::string freeSpaceText;
  } cases[] = {
      {"slot 1 empty, slot 3 found", "C:\\Default", "d:\\Found", "d:\\Found", 3 * 1024, "3.00 KB"},
      {"found but empty everywhere", "C:\\Default", "", "C:\\Default", 1, ""},
      {"a folder under a path variable: its drive", "$PROGRAMFILES\\Demo", "", "$PROGRAMFILES\\Demo", 1, ""},
      {"a drive that cannot be queried", "E:\\Games", "", "E:\\Games", -1, "unknown"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    posix::ResetRegistry();
    test::WriteRegistryString(kHklm, "Software\\Demo", "Path", "");
    test::WriteRegistryString(kHkcu, "Software\\Demo", "Path", c.slot3Value);
    test::WriteRegistryString(kHklm, "Software\\Later", "Path", c.slot3Value.empty() ? "" : "C:\\Later");
    Scenario s;
    s.info.InstallDir = c.installDir;
    s.info.InstallDirRegKey[0] = {0, "Software\\Demo", "Path"};
    s.info.InstallDirRegKey[2] = {1, "Software\\Demo", "Path"};
    s.info.InstallDirRegKey[4] = {0, "Software\\Later", "Path"};
    ASSERT_EQ(Run(s), ExitCode::Success);
    EXPECT_EQ(context_->SetupInfo.InstallDir, c.expectedDir);
    const TPathVariables& v = context_->Variables;
    if (c.freeSpace == 1) {
      EXPECT_GT(v.FreeSpace, 0);
    } else {
      EXPECT_EQ(v.FreeSpace, c.freeSpace);
      EXPECT_EQ(v.FreeSpaceText, c.freeSpaceText);
    }
  }
}

// /D= names the folder whatever the setup and the registry say, unless it cannot name a
// folder at all; unattended, too little space refuses the start without a box (the
// wizard would disable Install), while an unknown free space lets it go on.
TEST_F(Startup, TheFolderOfTheCommandLineAndTheUnattendedSpaceCheck) {
  posix::SetFreeDiskSpace("D:\\", 100);
  posix::SetFreeDiskSpace("E:\\", std::nullopt);
  test::WriteRegistryString(kHkcu, "Software\\Demo", "Path", "C:\\Found");
  const struct {
    const char* what;
    std::optional<std::string> folder;
    bool unattended;
    ExitCode code;
    const char* installDir;
  } cases[] = {
      {"the registry's folder", std::nullopt, true, ExitCode::Success, "C:\\Found"},
      {"/D= before the registry, blanks kept", "C:\\My Games\\Demo", true, ExitCode::Success,
       "C:\\My Games\\Demo\\"},
      {"too little space, unattended", "D:\\Demo", true, ExitCode::StartupRefused, "D:\\Demo\\"},
      {"too little space with the wizard", "D:\\Demo", false, ExitCode::Success, "D:\\Demo\\"},
      {"unknown free space, unattended", "E:\\Demo", true, ExitCode::Success, "E:\\Demo\\"},
      {"a folder that cannot be named, unattended", "C:\\a|b\\Demo", true, ExitCode::StartupRefused,
       "C:\\a|b\\Demo\\"},
      // A character the code page lacks travels as an escape and names a folder.
      {"a folder the code page lacks, unattended", "C:\\?{418}?{433}\\Demo", true, ExitCode::Success,
       "C:\\?{418}?{433}\\Demo\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Scenario s;
    s.info.InstallDirRegKey[1] = {1, "Software\\Demo", "Path"};
    s.options = {c.folder, c.unattended};
    EXPECT_EQ(Run(s), c.code);
    EXPECT_EQ(context_->SetupInfo.InstallDir, c.installDir);
    EXPECT_TRUE(boxes_.boxes.empty());
    EXPECT_EQ(form_.calls.empty(), c.code != ExitCode::Success);
  }
}

TEST_F(Startup, TheSystemLanguageChoosesTheLanguage) {
  // A later identifier matches; an unknown language falls back to the first.
  for (const auto& [system, current] : {std::pair<uint16_t, int32_t>{0x0809, 1}, {0x0411, 0}}) {
    posix::SetSystemDefaultLangId(system);
    ASSERT_EQ(Run(Scenario()), ExitCode::Success);
    EXPECT_EQ(context_->Languages.Current, current) << system;
  }
  Scenario broken;
  broken.replace["language-deutsch"] = Bytes{};
  EXPECT_EQ(test::ErrorOf([&] { Run(broken); }), "Cannot open file");
  EXPECT_TRUE(form_.calls.empty());
}

// Parentheses first, then brackets, every group of digits 1 to 9 (or none); names
// compared without case, folders ignored.
TEST(FileNameCheck, OnlyDownloadCopySuffixesAreForgiven) {
  // clang-format off
  const struct { const char* found; bool matches; } cases[] = {
      {"Setup(3).EXE", true}, {"setup(1)(2)[3].exe", true}, {"setup[(1)].exe", true},
      {"C:\\Downloads\\setup(2).exe", true}, {"setup(10).exe", false}, {"setup([1]).exe", false},
      {"setup2.exe", false}};
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(!FileNameMismatch("Out\\SETUP.exe", c.found).has_value(), c.matches) << c.found;
  }
  EXPECT_EQ(RemoveDuplicateSuffixes("a(1)b(x)c[]d(2"), "ab(x)cd(2");
}

}  // namespace
}  // namespace setup
