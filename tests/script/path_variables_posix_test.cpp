// The start-up values from the machine, with the posix platform steered by the test.
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/shell_controls.h"
#include "platform/shell.h"
#include "script/path_variables.h"
#include "test_support.h"

namespace setup {
namespace {

namespace posix = platform::posix;
using platform::DriveType;

class MachineValues : public ::testing::Test {
 protected:
  ~MachineValues() override {
    posix::ResetSpecialFolders();
    posix::ResetLogicalDrives();
    posix::UseProcessEnvironment();
  }
};

// Catches: the first CD-ROM not found when it is not the first drive, a later one
// taken instead, a drive of another kind taken, an off-by-one at the list's limit (32
// roots take exactly 129 characters with the closing NUL; 33 do not fit).
TEST_F(MachineValues, FindCdDriveTakesTheFirstCdRomInListOrder) {
  posix::SetLogicalDrives({{"C:\\", DriveType::Fixed},
                           {"D:\\", DriveType::Removable},
                           {"E:\\", DriveType::CdRom},
                           {"F:\\", DriveType::CdRom}});
  EXPECT_EQ(FindCdDrive(), "E:\\");

  std::vector<posix::LogicalDrive> many(32, {"C:\\", DriveType::Fixed});
  many.back() = {"Q:\\", DriveType::CdRom};
  posix::SetLogicalDrives(many);
  EXPECT_EQ(FindCdDrive(), "Q:\\");
  many.push_back({"R:\\", DriveType::CdRom});
  posix::SetLogicalDrives(many);
  EXPECT_EQ(test::ErrorOf([] { FindCdDrive(); }), "Not enough storage is available to complete this operation.");
}

// Catches: a folder without its trailing "\" (a failed one: the lone "\"), folders swapped.
TEST_F(MachineValues, InitFillsFoldersCdDriveAndEnvironment) {
  posix::SetSpecialFolder(platform::kFolderPrograms, "C:\\Start\\Programs");
  posix::SetSpecialFolder(platform::kFolderProgramFiles, "C:\\Apps");
  posix::SetSpecialFolder(platform::kFolderDesktop, "");
  posix::SetLogicalDrives({{"C:\\", DriveType::Fixed}, {"G:\\", DriveType::CdRom}});
  posix::SetEnvironmentBlock({"ALLUSERSPROFILE=C:\\ProgramData", "TEMP=C:\\Temp"});

  TPathVariables vars;
  InitPathVariables(vars);
  EXPECT_EQ(vars.SmPrograms, "C:\\Start\\Programs\\");
  EXPECT_EQ(vars.ProgramFiles, "C:\\Apps\\");
  EXPECT_EQ(vars.Desktop, "\\");
  EXPECT_EQ(vars.CdDrive, "G:\\");
  EXPECT_EQ(vars.LanguageSelection, "English");
  const TEnvironmentTable expected = {{"ALLUSERSPROFILE", "C:\\ProgramData"}, {"TEMP", "C:\\Temp"}};
  EXPECT_EQ(vars.Environment, expected);
}

// Catches: a per-user setup pointed at the machine's Program Files, which a standard
// user cannot write.
TEST_F(MachineValues, PerUserProgramFilesIsTheUsersProgramsFolder) {
  posix::SetSpecialFolder(platform::kFolderLocalAppData, "C:\\Users\\Ann\\AppData\\Local");
  TPathVariables vars;
  LoadShellFolders(vars, /*perUser=*/true);
  EXPECT_EQ(vars.ProgramFiles, "C:\\Users\\Ann\\AppData\\Local\\Programs\\");
}

// Catches: $APPDATA cached at start-up instead of asked at each use, a trailing "\"
// doubled when the shell already gives one, a failed query that leaves the name.
TEST_F(MachineValues, AppDataIsLookedUpAtEachExpansion) {
  TSetupInfoFile info;
  TPathVariables vars;
  posix::SetSpecialFolder(platform::kFolderAppData, "C:\\Roaming");
  EXPECT_EQ(ExpandVariables(u"$APPDATA\\Game", info, vars), u"C:\\Roaming\\Game");
  EXPECT_EQ(ContractVariables(u"C:\\Roaming\\Game\\a.ini", info, vars), u"$APPDATAGame\\a.ini");
  posix::SetSpecialFolder(platform::kFolderAppData, "D:\\Profile\\");
  EXPECT_EQ(AppDataFolder(), "D:\\Profile\\");
  EXPECT_EQ(ExpandVariables(u"$appdata\\Game", info, vars), u"D:\\Profile\\Game");
  posix::SetSpecialFolder(platform::kFolderAppData, "");
  EXPECT_EQ(ExpandVariables(u"$APPDATA\\Game", info, vars), u"\\Game");
  EXPECT_EQ(ContractVariables(u"C:\\Roaming\\Game", info, vars), u"C:\\Roaming\\Game");
}

}  // namespace
}  // namespace setup
