// The uninstaller builder against the posix platform: which entries the uninstaller's
// package takes and under which names, the copied executable image, the registration,
// and what is left behind.
#include "uninstall/uninstaller_builder.h"

#include <filesystem>
#include <utility>

#include "platform/registry.h"
#include "platform/sha256.h"
#include "script/script_run_fixture.h"
#include "signed_image.h"

namespace setup::test {
namespace {

class UninstallerBuilderTest : public ScriptRunTest {
 protected:
  void SetUp() override {
    ScriptRunTest::SetUp();
    stub_ = RandomBytes(3000, 11);
    stub_[0] = 'M';
    stub_[1] = 'Z';
    context.SetupInfo.InstallDir = "C:\\Games\\Demo\\";  // the folder the user chose
  }

  // Writes stub + package as the running executable and opens its package.
  RawPackage OpenSetup(const std::vector<RawEntry>& entries, size_t damagedEntry = SIZE_MAX) {
    RawPackage pkg = BuildRawPackage(entries, stub_);
    if (damagedEntry != SIZE_MAX) pkg.bytes[pkg.records[damagedEntry].offset] ^= 0xFF;
    const std::string exe = dir_.Path("setup.exe");
    WriteFileBytes(exe, pkg.bytes);
    platform::posix::SetCommandLine({}, exe);
    EXPECT_TRUE(context.Package.Create(exe));
    return pkg;
  }

  std::string Target() const { return Local("C:\\Games\\Demo\\Uninstall.exe"); }

  // The uninstaller's file and its package's entries as (name, content) in table order.
  struct Built {
    Bytes file;
    std::vector<std::pair<std::string, Bytes>> entries;  // empty content for an empty entry
    size_t groupZero = 0;
    uint32_t dataStart = 0;
  };
  Built ReadUninstaller() {
    Built built{ReadFileBytes(Target()), {}};
    TPak pak;
    EXPECT_TRUE(pak.Create(Target()));
    built.dataStart = pak.Trailer().DataStart;
    for (size_t i = 0; i < pak.Count(); ++i) {
      built.entries.emplace_back(pak.Entries()[i].Name, pak.ExtractEntry(i).value_or(Bytes{}));
      built.groupZero += pak.Entries()[i].Group == 0 ? 1 : 0;
    }
    return built;
  }

  Bytes stub_;
};

TEST_F(UninstallerBuilderTest, TakesTheUninstallEntriesInTableOrderThenSetupInfo) {
  const Bytes finaliser = RandomBytes(500);
  OpenSetup({
      {"UNINSTALL_empty.txt", 0, {}},  // offset 0: the stub's length comes from the data start
      {"SetupInfo", 0, ToBytes("record")},
      {"UNINSTALL_Pages.txt", 0, ToBytes("pages")},
      {"CompiledLines", 0, ToBytes("lines")},
      {"uninstall_icon.ico", 0, ToBytes("icon")},     // becomes the icon, never an entry
      {"Uninstall_Side.jpg", 0, ToBytes("side")},     // prefix in any case
      {"UNINSTALL_Side.jpg", 2, ToBytes("payload")},  // not group 0
      {"UNINSTALL_", 0, ToBytes("bare")},             // the empty name
      {"UNINSTALL", 0, ToBytes("short")},
      {"Data\\UNINSTALL_x", 0, ToBytes("inner")},
      {"UNINSTALL_LANGUAGE-uninstall\\english", 0, ToBytes("lang")},
      {"UNINSTALL_FINALISE.EXE", 0, finaliser},
  });
  BuildUninstaller(context);

  Built built = ReadUninstaller();
  ASSERT_FALSE(built.entries.empty());
  EXPECT_EQ(built.groupZero, built.entries.size());
  EXPECT_EQ(built.entries.back().first, "SetupInfo");
  const Bytes record = built.entries.back().second;
  built.entries.pop_back();
  const std::vector<std::pair<std::string, Bytes>> expected = {
      {"empty.txt", {}},   {"Pages.txt", ToBytes("pages")},  {"Side.jpg", ToBytes("side")},
      {"", ToBytes("bare")}, {"LANGUAGE-uninstall\\english", ToBytes("lang")}, {"FINALISE.EXE", finaliser}};
  EXPECT_EQ(built.entries, expected);
  // The stub image comes first, unchanged, and the new package starts after it.
  ASSERT_GE(built.file.size(), stub_.size());
  EXPECT_TRUE(std::equal(stub_.begin(), stub_.end(), built.file.begin()));
  EXPECT_EQ(built.dataStart, stub_.size());
  // The live record, marked as uninstaller, with the folder actually used.
  TSetupInfoFile info;
  ASSERT_TRUE(info.LoadFromBuffer(record));
  EXPECT_EQ(info.IsUninstaller, 1);
  EXPECT_EQ(info.InstallDir, "C:\\Games\\Demo\\");
  EXPECT_EQ(info.ShortName, "Demo Product");
  EXPECT_EQ(context.SetupInfo.IsUninstaller, 1);
  // The folders created for the uninstaller are recorded; the temporary files are gone.
  EXPECT_EQ(context.UninstallList.Folders(), (std::vector<std::string>{"C:\\Games\\", "C:\\Games\\Demo\\"}));
  EXPECT_TRUE(std::filesystem::is_empty(Local("C:\\Temp")));
}

// A package without uninstaller entries still registers, but writes no file.
TEST_F(UninstallerBuilderTest, RegistersTheUninstallerEvenWithoutEntries) {
  context.Variables.SetRequiredSpace(5 * 1024 + 1);
  OpenSetup({});
  BuildUninstaller(context);
  EXPECT_FALSE(std::filesystem::exists(Target()));

  platform::RegistryKey key;
  ASSERT_TRUE(key.Open(platform::kHkeyLocalMachine, std::string(kUninstallKeyPath) + "Demo Product"));
  const std::string exe = "C:\\Games\\Demo\\\\Uninstall.exe";  // InstallDir + "\" + name
  EXPECT_EQ(key.ReadString("DisplayName"), "Demo Product");
  EXPECT_EQ(key.ReadString("UninstallString"), exe);
  EXPECT_EQ(key.ReadString("QuietUninstallString"), "\"" + exe + "\" /S");
  EXPECT_EQ(key.ReadString("DisplayIcon"), exe);
  EXPECT_EQ(key.ReadString("InstallLocation"), "C:\\Games\\Demo\\");
  EXPECT_EQ(key.ReadDword("EstimatedSize"), 6u);  // KB, rounded up
  EXPECT_EQ(key.ReadDword("NoModify"), 1u);
  EXPECT_EQ(key.ReadDword("NoRepair"), 1u);
  EXPECT_FALSE(key.ReadString("InstallLogDigest"));  // no log saved whole
  size_t values = 0;
  for (const auto& item : platform::posix::RegistryContents()) values += item.isValue ? 1 : 0;
  EXPECT_EQ(values, kUninstallValueNames.size() - 4);  // no digest, no version, publisher or URL
}

// Catches: a per-user setup registered under HKLM (a standard user cannot write there),
// or the author's values left out.
TEST_F(UninstallerBuilderTest, PerUserSetupRegistersUnderHkcuWithTheAuthorsValues) {
  context.Facts = {true, "2.1", "Demo Company", "https://example.com/demo"};
  OpenSetup({});
  BuildUninstaller(context);
  platform::RegistryKey key;
  EXPECT_FALSE(key.Open(platform::kHkeyLocalMachine, std::string(kUninstallKeyPath) + "Demo Product"));
  ASSERT_TRUE(key.Open(platform::kHkeyCurrentUser, std::string(kUninstallKeyPath) + "Demo Product"));
  EXPECT_EQ(key.ReadString("DisplayName"), "Demo Product");
  EXPECT_EQ(key.ReadString("DisplayVersion"), "2.1");
  EXPECT_EQ(key.ReadString("Publisher"), "Demo Company");
  EXPECT_EQ(key.ReadString("URLInfoAbout"), "https://example.com/demo");
}

// Catches: a digest of other bytes than the log on disk, and a digest of an earlier
// installation kept when this run's log could not be saved (the uninstaller would then
// refuse a log that nobody changed).
TEST_F(UninstallerBuilderTest, TheRunRegistersTheDigestOfTheLogItSavedAndNoStaleOne) {
  context.SetupInfo.CreateUninstaller = 1;
  context.SetupInfo.UninstallPrefix = "demo_";
  context.UninstallList.AddFile("C:\\Games\\Demo\\a.dat");
  Line("createdirectory", {"C:\\Games\\Demo\\Data"});
  Run();
  const std::string log = Local("C:\\Games\\Demo\\demo_install.log");
  const std::string productKey = std::string(kUninstallKeyPath) + "Demo Product";
  platform::RegistryKey key;
  ASSERT_TRUE(key.Open(platform::kHkeyLocalMachine, productKey));
  EXPECT_EQ(key.ReadString("InstallLogDigest"), platform::Sha256Hex(ReadFileBytes(log)));

  // Again, with a folder where the log should go: no log, so no digest.
  std::filesystem::remove(log);
  std::filesystem::create_directory(log);
  Run();
  ASSERT_TRUE(key.Open(platform::kHkeyLocalMachine, productKey));
  EXPECT_EQ(key.ReadString("DisplayName"), "Demo Product");
  EXPECT_FALSE(key.ReadString("InstallLogDigest"));
}

// Catches: an earlier uninstaller kept or appended to, the icon entry or an entry that
// cannot be extracted copied into the package, temporary files left behind.
TEST_F(UninstallerBuilderTest, BuildingTwiceReplacesTheEarlierFileAndLeavesOutBrokenEntries) {
  std::filesystem::create_directories(Local("C:\\Games\\Demo"));
  WriteFileBytes(Target(), RandomBytes(20000, 3));
  OpenSetup({{"UNINSTALL_Pages.txt", 0, ToBytes("pages")},
             {"UNINSTALL_ICON.ICO", 0, ToBytes("icon")},
             {"UNINSTALL_Broken.txt", 0, ToBytes("broken")}},
            /*damagedEntry=*/2);
  BuildUninstaller(context);
  const Bytes first = ReadFileBytes(Target());
  BuildUninstaller(context);
  EXPECT_EQ(ReadFileBytes(Target()), first);
  const Built built = ReadUninstaller();
  ASSERT_EQ(built.entries.size(), 2u);
  EXPECT_EQ(built.entries[0].first, "Pages.txt");
  EXPECT_TRUE(std::filesystem::is_empty(Local("C:\\Temp")));
}

// A short name that names no key of its own would put the registration onto the
// Uninstall key itself, where the uninstall run would never remove it.
TEST_F(UninstallerBuilderTest, ShortNameWithoutAKeyOfItsOwnRegistersNothing) {
  OpenSetup({});
  for (const char* name : {"", "\\", "\\\\"}) {
    context.SetupInfo.ShortName = name;
    BuildUninstaller(context);
    for (const auto& item : platform::posix::RegistryContents()) EXPECT_FALSE(item.isValue) << '"' << name << '"';
  }
}

TEST_F(UninstallerBuilderTest, PackageFromAFileOfItsOwnCopiesTheWholeExecutable) {
  const std::string exe = dir_.Path("stub.exe");
  WriteFileBytes(exe, stub_);
  platform::posix::SetCommandLine({dir_.Path("setup.pak")}, exe);
  context.ExternalPackage = true;
  OpenPackage({{"UNINSTALL_Pages.txt", 0, ToBytes("pages")}});
  BuildUninstaller(context);
  const Built built = ReadUninstaller();
  EXPECT_EQ(built.entries.size(), 2u);  // Pages.txt and SetupInfo
  EXPECT_EQ(built.dataStart, stub_.size());
  EXPECT_TRUE(std::equal(stub_.begin(), stub_.end(), built.file.begin()));
}

}  // namespace
}  // namespace setup::test

namespace setup::test {
namespace {

// A signed setup (or a signed stub beside an external package): the uninstaller is the
// image without the certificate table, and its security directory is cleared, so that
// it does not point at a signature it does not have.
TEST_F(UninstallerBuilderTest, TheCopyOfASignedSetupHasNoSignature) {
  for (const bool external : {false, true}) {
    SCOPED_TRACE(external ? "a signed stub, external package" : "a signed setup");
    stub_ = PeHeaders(/*wide=*/false);
    const std::vector<RawEntry> entries = {{"UNINSTALL_Pages.txt", 0, ToBytes("pages")}};
    Bytes file = external ? stub_ : BuildRawPackage(entries, stub_).bytes;
    AppendSignature(file, false, 5);
    const std::string exe = dir_.Path("setup.exe");
    WriteFileBytes(exe, file);
    platform::posix::SetCommandLine(external ? std::vector<std::string>{dir_.Path("setup.pak")} : std::vector<std::string>{},
                                    exe);
    context.ExternalPackage = external;
    if (external) {
      OpenPackage(entries);
    } else {
      ASSERT_TRUE(context.Package.Create(exe));
    }
    BuildUninstaller(context);
    const Built built = ReadUninstaller();
    EXPECT_EQ(built.entries.size(), 2u);
    // The signing tool's alignment padding stays: it may not be told from the image's own
    // zero bytes.
    ASSERT_EQ(built.dataStart, stub_.size() + (external ? 5 : 0));
    // The stub's headers had an empty directory: the copy is the stub as it was.
    EXPECT_TRUE(std::equal(stub_.begin(), stub_.end(), built.file.begin()));
    EXPECT_EQ(GetU32(&built.file[SecurityEntryOffset(false)]), 0u);
    EXPECT_EQ(GetU32(&built.file[SecurityEntryOffset(false) + 4]), 0u);
  }
}

}  // namespace
}  // namespace setup::test
