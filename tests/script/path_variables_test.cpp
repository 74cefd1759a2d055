// Path variables and environment references with values set by the test; the
// application-data folder is whatever the platform reports, so these run on every
// build. The machine look-ups are checked natively in path_variables_posix_test.cpp.
#include "script/path_variables.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace setup {
namespace {

using platform::AnsiToWide;

class PathVariables : public ::testing::Test {
 protected:
  PathVariables() {
    info.InstallDir = "C:\\Game\\";
    vars.SmPrograms = "C:\\Users\\U\\Start Menu\\Programs\\";
    vars.ProgramFiles = "C:\\Program Files\\";
    vars.Desktop = "C:\\Users\\U\\Desktop\\";
    vars.CdDrive = "D:\\";
    vars.Environment = {{"TEMP", "C:\\Temp"}, {"OS", "Windows_NT"}};
  }
  std::u16string Expand(const std::string& text) const {
    return ExpandVariables(AnsiToWide(text), info, vars);
  }
  std::u16string Contract(const std::string& path) const {
    return ContractVariables(AnsiToWide(path), info, vars);
  }

  TSetupInfoFile info;
  TPathVariables vars;
};

struct Case {
  const char* text;
  const char* expected;
};

// Catches: a variable matched case-sensitively, a variable left out or replaced by
// another's value, doubled backslashes that survive (or a run of three that leaves
// two), an unknown environment reference dropped instead of kept, a lone "%" taken
// for a reference.
TEST_F(PathVariables, ExpandReplacesEveryVariableAndCollapsesBackslashes) {
  const Case cases[] = {
      {"$INSTDIR\\a.exe", "C:\\Game\\a.exe"},
      {"$instdir\\readme.txt", "C:\\Game\\readme.txt"},
      {"$InstallDir\\x", "C:\\Game\\x"},
      {"$INSTDIR\\\\\\a", "C:\\Game\\a"},
      {"$INSTDIRdata\\x", "C:\\Game\\data\\x"},
      {"$SMPROGRAMS\\Game\\Play.lnk", "C:\\Users\\U\\Start Menu\\Programs\\Game\\Play.lnk"},
      {"$PROGRAMFILES\\Shared", "C:\\Program Files\\Shared"},
      {"$DESKTOP\\Game.lnk", "C:\\Users\\U\\Desktop\\Game.lnk"},
      {"$CDDRIVE\\setup.exe", "D:\\setup.exe"},
      {"readme-$LANGUAGESELECTION.txt", "readme-English.txt"},
      {"%temp%\\%OS%", "C:\\Temp\\Windows_NT"},
      {"%NOSUCH%\\x", "%NOSUCH%\\x"},
      {"100% sure", "100% sure"},
      {"\\\\server\\share\\$LANGUAGESELECTION", "\\server\\share\\English"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Expand(c.text), AnsiToWide(c.expected)) << c.text;
}

// Catches: $INSTDIR expanded after the other variables (an InstallDir that still holds
// one would keep it), and a rescan that never ends when a value holds its own name.
TEST_F(PathVariables, InstallDirHoldingVariablesExpandsAndSelfReferencesTerminate) {
  info.InstallDir = "%TEMP%\\Game";
  EXPECT_EQ(Expand("$INSTALLDIR\\a"), u"C:\\Temp\\Game\\a");

  info.InstallDir = "$INSTDIR\\sub";
  EXPECT_EQ(Expand("$INSTDIR\\a"), u"$INSTDIR\\sub\\a");
  info.InstallDir = "C:\\Game";
  vars.Environment = {{"PATH", "C:\\bin;%PATH%"}};
  EXPECT_EQ(Expand("%PATH%"), u"C:\\bin;%PATH%");
  vars.LanguageSelection = "$languageselection!";
  EXPECT_EQ(Expand("$LANGUAGESELECTION"), u"$languageselection!");
}

// Catches: a table whose order is not kept (a value that refers to a later name is
// expanded, one that refers to an earlier name is not), and the empty name of a
// per-drive entry ("=C:=C:\dir") turning every "%%" into its value.
TEST_F(PathVariables, EnvironmentReferencesFollowTableOrder) {
  vars.Environment = {{"A", "%B%!"}, {"B", "x"}};
  EXPECT_EQ(ExpandEnvironment(u"%A%", vars), u"x!");
  vars.Environment = {{"B", "x"}, {"A", "%B%!"}};
  EXPECT_EQ(ExpandEnvironment(u"%A%", vars), u"%B%!");
  vars.Environment = {{"", "C:=C:\\dir"}, {"", ""}, {"TEMP", "T"}};
  EXPECT_EQ(ExpandEnvironment(u"100%% %TEMP%", vars), u"100%% T");
  vars.Environment.clear();
  EXPECT_EQ(ExpandEnvironment(u"%TEMP%", vars), u"%TEMP%");
}

// Catches: the installation folder not replaced first (a folder under Program Files
// would become $PROGRAMFILES...), matching that depends on case, and a contraction that
// does not expand back to the same path.
TEST_F(PathVariables, ContractGivesVariableFormThatExpandsBack) {
  const Case cases[] = {
      {"C:\\Game\\data\\x", "$INSTDIRdata\\x"},
      {"C:\\Users\\U\\Start Menu\\Programs\\Game\\Play.lnk", "$SMPROGRAMSGame\\Play.lnk"},
      {"C:\\Program Files\\Shared\\a.dll", "$PROGRAMFILESShared\\a.dll"},
      {"E:\\elsewhere\\x", "E:\\elsewhere\\x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Contract(c.text), AnsiToWide(c.expected)) << c.text;
    EXPECT_EQ(ExpandVariables(Contract(c.text), info, vars), AnsiToWide(c.text)) << c.text;
  }
  EXPECT_EQ(Contract("c:\\game\\Data\\x"), u"$INSTDIRData\\x");
  info.InstallDir = "C:\\Program Files\\Game\\";
  EXPECT_EQ(Contract("C:\\Program Files\\Game\\a.exe"), u"$INSTDIRa.exe");

  const std::string appData = AppDataFolder();
  if (!appData.empty()) {
    EXPECT_EQ(Contract(appData + "Game\\cfg.ini"), u"$APPDATAGame\\cfg.ini");
    EXPECT_EQ(Expand("$APPDATAGame\\cfg.ini"), AnsiToWide(appData + "Game\\cfg.ini"));
  }
}

// Catches: an empty value used as a pattern, and a failed shell folder (a lone "\")
// that turns every backslash of a recorded path into a variable, which an uninstaller
// whose look-up succeeds would expand into a different path.
TEST_F(PathVariables, ContractSkipsValuesThatNameNoFolder) {
  info.InstallDir.clear();
  vars.SmPrograms.assign(1, '\\');  // assign, not "=": GCC 12 misreports the short copy at -O3
  vars.Desktop = "\\";
  EXPECT_EQ(Contract("C:\\Game\\data\\x"), u"C:\\Game\\data\\x");
  vars.SmPrograms.clear();
  vars.ProgramFiles.clear();
  EXPECT_EQ(Contract("C:\\Program Files\\x"), u"C:\\Program Files\\x");
}

// Catches: code-page characters lost on the way through the 8-bit overloads the
// uninstall log and the commands use.
TEST_F(PathVariables, EightBitOverloadsKeepCodePageText) {
  info.InstallDir = "C:\\Caf\xE9\\";
  EXPECT_EQ(ContractVariables(std::string("C:\\Caf\xE9\\\xC4pfel.txt"), info, vars), "$INSTDIR\xC4pfel.txt");
  EXPECT_EQ(ExpandVariables(std::string("$INSTDIR\xC4pfel.txt"), info, vars), "C:\\Caf\xE9\\\xC4pfel.txt");
}

TEST(PathVariablesText, AddBackslashAndParseEnvironmentBlock) {
  const Case cases[] = {
      {"", ""},
      {"C:\\", "C:\\"},
      {"C:\\Game", "C:\\Game\\"},
      {"a/", "a/\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AddBackslash(std::string(c.text)), c.expected) << c.text;
    EXPECT_EQ(AddBackslash(AnsiToWide(c.text)), AnsiToWide(c.expected)) << c.text;
  }

  // Every string takes part, the first included; split at the first "=" only.
  const TEnvironmentTable table =
      ParseEnvironmentBlock({"PATH=C:\\bin", "=C:=C:\\dir", "NOEQUALS", "EMPTY=", "A=b=c"});
  const TEnvironmentTable expected = {
      {"PATH", "C:\\bin"}, {"", "C:=C:\\dir"}, {"", ""}, {"EMPTY", ""}, {"A", "b=c"}};
  EXPECT_EQ(table, expected);
}

}  // namespace
}  // namespace setup
