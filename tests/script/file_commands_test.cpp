// The file commands in whole runs: "file" in its parameter forms, "copyfile", "rename",
// "delete", "rmdir", "createdirectory", "uninstalllogload" and "uninstalllogsave", with
// what each records in the uninstall log; and the folder-tree removal on its own.
#include <filesystem>
#include <map>

#include "platform/registry.h"
#include "script/commands/file_command.h"
#include "script/file_operations.h"
#include "script/script_run_fixture.h"
#include "uninstall/uninstaller_builder.h"

namespace setup::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class FileCommandsTest : public ScriptRunTest {
 protected:
  void SetUp() override {
    ScriptRunTest::SetUp();
    // The installation folder exists, so the run's end records no folder of its own.
    fs::create_directories(Local(kInstallDir));
  }
  static bool Exists(const std::string& windowsPath) { return fs::exists(Local(windowsPath)); }
  static void Write(const std::string& windowsPath, const std::string& text) {
    fs::create_directories(fs::path(Local(windowsPath)).parent_path());
    WriteFileBytes(Local(windowsPath), ToBytes(text));
  }
  static constexpr const char* kInstallDir = "C:\\Program Files\\Demo\\";
};

// One entry "g<n>.txt" in each group n.
std::vector<RawEntry> OneFilePerGroup(int groups) {
  std::vector<RawEntry> entries;
  for (int g = 1; g <= groups; ++g)
    entries.push_back({"g" + std::to_string(g) + ".txt", static_cast<uint16_t>(g), ToBytes("x")});
  return entries;
}

TEST_F(FileCommandsTest, FileExtractsIntoInstallDirOrTheGivenDestination) {
  MessageRecorder boxes;
  OpenPackage(OneFilePerGroup(5));
  Line("file", {});  // other parameter counts: an error message, and the script goes on
  Line("file", {"src", "a", "b", "1"});
  Line("file", {"1"});                           // the group alone
  Line("file", {"src", "2"});                    // source and group
  Line("file", {"src", "Docs", "3"});            // relative: below InstallDir
  Line("file", {"src", "", "4"});                // empty: InstallDir itself
  Line("file", {"src", "$DESKTOP\\More", "5"});  // expanded, then a drive path used as it is
  Run();

  ASSERT_EQ(boxes.boxes.size(), 2u);
  for (const auto& box : boxes.boxes) {
    EXPECT_EQ(box.text, "TFileCommand.SFXProcess - Param Count Invalid!!!");
    EXPECT_EQ(box.caption, "Error");
  }
  for (const char* path : {"C:\\Program Files\\Demo\\g1.txt", "C:\\Program Files\\Demo\\g2.txt",
                           "C:\\Program Files\\Demo\\Docs\\g3.txt", "C:\\Program Files\\Demo\\g4.txt",
                           "C:\\Desktop\\More\\g5.txt"}) {
    EXPECT_TRUE(fs::is_regular_file(Local(path))) << path;
  }
  EXPECT_EQ(context.UninstallList.Files(),
            (Strings{"$INSTDIR\\g1.txt", "$INSTDIR\\g2.txt", "$INSTDIRDocs\\\\g3.txt", "$INSTDIR\\g4.txt",
                     "$DESKTOPMore\\\\g5.txt"}));
  EXPECT_EQ(context.UninstallList.Folders(),
            (Strings{"C:\\Program Files\\Demo\\Docs\\", "C:\\Desktop\\", "C:\\Desktop\\More\\"}));
}

TEST_F(FileCommandsTest, FileWithARegistryTestExtractsWhenTheConditionHolds) {
  const struct {
    const char* mode;
    const char* stored;  // nullptr: the key is absent
    const char* expected;
    bool extracted;
  } cases[] = {
      {"F", nullptr, "1", true},  {"F", "1", "1", false},     {"f", "2", "1", true},
      {"0", "1", "1", false},     {"FALSE", "2", "1", true},  {"1", "1", "1", true},
      {"T", nullptr, "1", false}, {"1", "ONE", "one", false},  // compared with case
  };
  const int count = static_cast<int>(std::size(cases));
  OpenPackage(OneFilePerGroup(count));
  for (int i = 0; i < count; ++i) {
    const std::string key = "Software\\Demo\\Case" + std::to_string(i);
    if (cases[i].stored != nullptr) {
      WriteRegistryString(platform::kHkeyCurrentUser, key, "Extras", cases[i].stored);
    }
    Line("file", {"src", "Sub" + std::to_string(i), "HKCU", key, "Extras", cases[i].mode, cases[i].expected,
                  std::to_string(i + 1)});
  }
  // The destination of this form is not expanded.
  Line("file", {"src", "$DESKTOP", "HKCU", "Software\\Demo\\Case5", "Extras", "1", "1", "6"});
  Run();

  for (int i = 0; i < count; ++i) {
    const std::string path =
        std::string(kInstallDir) + "Sub" + std::to_string(i) + "\\g" + std::to_string(i + 1) + ".txt";
    EXPECT_EQ(Exists(path), cases[i].extracted) << "case " << i;
  }
  EXPECT_TRUE(Exists(std::string(kInstallDir) + "$DESKTOP\\g6.txt"));
}

TEST_F(FileCommandsTest, CopyFileCopiesOverTheDestinationAndRecordsIt) {
  platform::posix::SetLogicalDrives(
      {{"C:\\", platform::DriveType::Fixed}, {"E:\\", platform::DriveType::CdRom}});
  Write("E:\\disc\\extra.dat", "from the disc");
  Write("C:\\Src\\data.bin", "new");
  Write("C:\\Program Files\\Demo\\data.bin", "old");
  Line("copyfile", {"C:\\Src\\data.bin", "$INSTDIR\\data.bin"});
  Line("copyfile", {"$CDDRIVE\\disc\\extra.dat", "$INSTDIR\\more\\extra.dat"});
  Line("copyfile", {"C:\\Src\\missing.bin", "$INSTDIR\\missing.bin"});
  Line("copyfile", {});  // a damaged line
  Run();

  EXPECT_EQ(ReadFileBytes(Local("C:\\Program Files\\Demo\\data.bin")), ToBytes("new"));
  EXPECT_EQ(ReadFileBytes(Local("C:\\Program Files\\Demo\\more\\extra.dat")), ToBytes("from the disc"));
  EXPECT_FALSE(Exists("C:\\Program Files\\Demo\\missing.bin"));
  EXPECT_EQ(statuses, (Strings{"Copying File data.bin", "Copying File extra.dat", "Copying File missing.bin",
                               "Copying File "}));
  // Recorded whether or not the copy succeeded.
  EXPECT_EQ(context.UninstallList.Files(),
            (Strings{"$INSTDIRdata.bin", "$INSTDIRmore\\extra.dat", "$INSTDIRmissing.bin", ""}));
  EXPECT_EQ(context.UninstallList.Folders(), Strings{"C:\\Program Files\\Demo\\more\\"});
}

TEST_F(FileCommandsTest, RenameDeleteAndRmDirActOnWhatExistsAndKeepTheExpandedParameters) {
  Write("C:\\Program Files\\Demo\\a.cfg", "a");
  Write("C:\\Program Files\\Demo\\old.dll", "dll");
  fs::create_directories(Local("C:\\Program Files\\Demo\\folder.dll"));
  Write("C:\\Cache0\\sub\\deep\\b.txt", "b");
  Write("C:\\Cache1\\a.txt", "a");
  const int32_t rename = Line("rename", {"$INSTDIR\\a.cfg", "$INSTDIR\\b.cfg"});
  Line("rename", {"$INSTDIR\\none.cfg", "$INSTDIR\\c.cfg"});
  const int32_t remove = Line("delete", {"$INSTDIR\\old.dll"});
  Line("delete", {"$INSTDIR\\folder.dll"});  // a folder is no file: left alone
  Line("rmdir", {"C:\\Cache0", "0"});        // the whole tree whatever the flag
  Line("rmdir", {"C:\\Cache1\\", "1"});
  Line("rmdir", {"C:\\Absent", "1"});
  Line("rename", {"$INSTDIR\\x"});  // damaged lines
  Line("delete", {});
  Line("rmdir", {});
  Run();

  EXPECT_FALSE(Exists("C:\\Program Files\\Demo\\a.cfg"));
  EXPECT_EQ(ReadFileBytes(Local("C:\\Program Files\\Demo\\b.cfg")), ToBytes("a"));
  EXPECT_FALSE(Exists("C:\\Program Files\\Demo\\c.cfg"));
  EXPECT_FALSE(Exists("C:\\Program Files\\Demo\\old.dll"));
  EXPECT_TRUE(Exists("C:\\Program Files\\Demo\\folder.dll"));
  EXPECT_FALSE(Exists("C:\\Cache0"));
  EXPECT_FALSE(Exists("C:\\Cache1"));
  EXPECT_EQ(context.CompiledLines.Find(rename)->Params,
            (Strings{"C:\\Program Files\\Demo\\a.cfg", "C:\\Program Files\\Demo\\b.cfg"}));
  EXPECT_EQ(context.CompiledLines.Find(remove)->Params, Strings{"C:\\Program Files\\Demo\\old.dll"});
  EXPECT_TRUE(context.UninstallList.Files().empty());
  EXPECT_TRUE(context.UninstallList.Folders().empty());
}

TEST_F(FileCommandsTest, DeleteFolderTreeGivesUpOnWhatCannotBeRemovedAndEnds) {
  for (const char* file :
       {"a.txt", "locked\\b.txt", "locked\\inner\\c.txt", "keep\\in_use.txt", "other\\e.txt"}) {
    Write(std::string("C:\\T\\") + file, "x");
  }
  // The folder "locked" refuses removal, the file "in_use.txt" too; everything else goes.
  FolderTreeOperations operations = PlatformFolderTreeOperations();
  std::map<std::string, int> listings, folderRemovals;
  operations.listFolder = [&, list = operations.listFolder](const std::string& path) {
    ++listings[path];
    return list(path);
  };
  operations.removeFile = [remove = operations.removeFile](const std::string& path) {
    return !path.ends_with("in_use.txt") && remove(path);
  };
  operations.removeFolder = [&, remove = operations.removeFolder](const std::string& path) {
    ++folderRemovals[path];
    return !path.ends_with("\\locked") && remove(path);
  };
  DeleteFolderTree("C:\\T", true, operations);

  EXPECT_TRUE(Exists("C:\\T\\locked"));
  EXPECT_TRUE(Exists("C:\\T\\keep\\in_use.txt"));
  for (const char* gone : {"C:\\T\\a.txt", "C:\\T\\locked\\b.txt", "C:\\T\\locked\\inner", "C:\\T\\other"}) {
    EXPECT_FALSE(Exists(gone)) << gone;
  }
  // Each folder is listed once and its removal tried once.
  const std::map<std::string, int> once = {{"C:\\T", 1},
                                           {"C:\\T\\locked", 1},
                                           {"C:\\T\\locked\\inner", 1},
                                           {"C:\\T\\keep", 1},
                                           {"C:\\T\\other", 1}};
  EXPECT_EQ(listings, once);
  EXPECT_EQ(folderRemovals, once);
}

TEST_F(FileCommandsTest, CreateDirectoryRecordsItsFoldersAndTheLogSavesAndLoadsThem) {
  fs::create_directories(Local("C:\\Existing"));
  Write("C:\\Src\\a.bin", "a");
  Line("copyfile", {"C:\\Src\\a.bin", "$INSTDIR\\a.bin"});
  Line("createdirectory", {"C:\\Existing"});
  Line("createdirectory", {"C:\\New\\Deep"});
  Line("createdirectory", {"$INSTDIR\\logs"});
  Line("uninstalllogsave", {"$INSTDIR", "demo_"});
  Line("createdirectory", {"C:\\Later"});
  Line("uninstalllogload", {"$INSTDIR", "missing_"});  // no such log: nothing changes
  Run();
  EXPECT_TRUE(fs::is_directory(Local("C:\\New\\Deep")));
  EXPECT_TRUE(fs::is_regular_file(Local("C:\\Program Files\\Demo\\demo_install.log")));
  // The folders created on the way, then the folder itself.
  const Strings saved = {"C:\\Existing",
                         "C:\\New\\",
                         "C:\\New\\Deep",
                         "C:\\New\\Deep",
                         "C:\\Program Files\\Demo\\logs",
                         "C:\\Program Files\\Demo\\logs"};
  Strings all = saved;
  all.insert(all.end(), {"C:\\Later", "C:\\Later"});
  EXPECT_EQ(context.UninstallList.Folders(), all);

  context.CompiledLines.Clear();
  Line("uninstalllogload", {"$INSTDIR", "demo_"});
  Run();
  EXPECT_EQ(context.UninstallList.Files(), Strings{"$INSTDIRa.bin"});
  EXPECT_EQ(context.UninstallList.Folders(), saved);
}

// A log read back is saved again under a fresh digest, so one that differs from the
// registration's digest must not be taken over: its entries would become the next
// uninstall's to remove.
TEST_F(FileCommandsTest, ALogReadBackMustBeTheOneTheInstallationSaved) {
  TUninstallList forged;
  forged.AddFile("C:\\Windows\\System32\\kernel32.dll");
  ASSERT_TRUE(forged.Save(context.SetupInfo.InstallDir, "demo_"));
  WriteRegistryString(platform::kHkeyLocalMachine, *ProductUninstallKey(context.SetupInfo.ShortName),
                      kInstallLogDigestValue, std::string(64, '0'));
  MessageRecorder boxes;
  Line("uninstalllogload", {"$INSTDIR", "demo_"});
  Run();
  EXPECT_TRUE(context.Run.SetupFailed);
  EXPECT_FALSE(context.UninstallList.HasFile("C:\\Windows\\System32\\kernel32.dll"));
  ExpectOneBox(boxes, "Setup Error",
               "Error: install log has been changed since the installation\r\r"
               "C:\\Program Files\\Demo\\demo_install.log\r\rIts entries have not been taken over.");
}

}  // namespace
}  // namespace setup::test
