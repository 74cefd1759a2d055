// Path variables and environment references with values set by the test (the
// application-data folder is whatever the platform reports; the machine look-ups are
// in path_variables_posix_test.cpp), and the size and number texts.
#include "script/path_variables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/codepage.h"
#include "script/number_text.h"

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

// Catches: a variable matched with case, left out or replaced by another's value,
// doubled backslashes that survive (or a run of three that leaves two), an unknown
// environment reference dropped instead of kept, a lone "%" taken for a reference.
TEST_F(PathVariables, ExpandReplacesEveryVariableAndCollapsesBackslashes) {
  const Case cases[] = {
      {"$instdir\\a.exe", "C:\\Game\\a.exe"},
      {"$InstallDir\\x", "C:\\Game\\x"},
      {"$INSTDIR\\\\\\a", "C:\\Game\\a"},
      {"$INSTDIRdata\\x", "C:\\Game\\data\\x"},
      {"$SMPROGRAMS|$programfiles|$DESKTOP|$CDDRIVE|$LANGUAGESELECTION",
       "C:\\Users\\U\\Start Menu\\Programs\\|C:\\Program Files\\|C:\\Users\\U\\Desktop\\|D:\\|English"},
      {"%temp%\\%OS%", "C:\\Temp\\Windows_NT"},
      {"%NOSUCH%\\100% sure", "%NOSUCH%\\100% sure"},
      {"\\\\server\\share", "\\server\\share"},
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
}

// Catches: one pass per name in table order not kept, and the empty name of a per-drive
// entry ("=C:=C:\dir") turning every "%%" into its value.
TEST_F(PathVariables, EnvironmentReferencesFollowTableOrder) {
  vars.Environment = {{"A", "%B%!"}, {"B", "x"}};
  EXPECT_EQ(ExpandEnvironment(u"%A%", vars), u"x!");
  vars.Environment = {{"B", "x"}, {"A", "%B%!"}};
  EXPECT_EQ(ExpandEnvironment(u"%A%", vars), u"%B%!");
  vars.Environment = {{"", "C:=C:\\dir"}, {"", ""}, {"TEMP", "T"}};
  EXPECT_EQ(ExpandEnvironment(u"100%% %TEMP%", vars), u"100%% T");
}

// Catches: the installation folder not replaced first (a folder under Program Files
// would become $PROGRAMFILES...), matching that depends on case.
TEST_F(PathVariables, ContractGivesTheVariableForm) {
  const Case cases[] = {
      {"C:\\Game\\data\\x", "$INSTDIRdata\\x"},
      {"C:\\Users\\U\\Start Menu\\Programs\\Game\\Play.lnk", "$SMPROGRAMSGame\\Play.lnk"},
      {"C:\\Program Files\\Shared\\a.dll", "$PROGRAMFILESShared\\a.dll"},
  };
  for (const Case& c : cases) EXPECT_EQ(Contract(c.text), AnsiToWide(c.expected)) << c.text;
  EXPECT_EQ(Contract("c:\\game\\Data\\x"), u"$INSTDIRData\\x");
  info.InstallDir = "C:\\Program Files\\Game\\";
  EXPECT_EQ(Contract("C:\\Program Files\\Game\\a.exe"), u"$INSTDIRa.exe");

  const std::string appData = AppDataFolder();
  if (!appData.empty()) {
    EXPECT_EQ(Contract(appData + "Game\\cfg.ini"), u"$APPDATAGame\\cfg.ini");
    EXPECT_EQ(Expand("$APPDATAGame\\cfg.ini"), AnsiToWide(appData + "Game\\cfg.ini"));
  }
}

// Catches: an empty value, or the lone "\" of a failed shell folder, used as a pattern
// (every backslash of a recorded path would become a variable).
TEST_F(PathVariables, ContractSkipsValuesThatNameNoFolder) {
  info.InstallDir.clear();
  vars.SmPrograms.assign(1, '\\');  // assign, not "=": GCC 12 misreports the short copy at -O3
  vars.Desktop = "\\";
  EXPECT_EQ(Contract("C:\\Game\\data\\x"), u"C:\\Game\\data\\x");
}

// Catches: code-page characters lost in the 8-bit overloads.
TEST_F(PathVariables, EightBitOverloadsKeepCodePageText) {
  info.InstallDir = "C:\\Caf\xE9\\";
  EXPECT_EQ(ContractVariables(std::string("C:\\Caf\xE9\\\xC4pfel.txt"), info, vars), "$INSTDIR\xC4pfel.txt");
  EXPECT_EQ(ExpandVariables(std::string("$INSTDIR\xC4pfel.txt"), info, vars), "C:\\Caf\xE9\\\xC4pfel.txt");
}

TEST(PathVariablesText, AddBackslashAndParseEnvironmentBlock) {
  const Case cases[] = {{"", ""}, {"C:\\", "C:\\"}, {"C:\\Game", "C:\\Game\\"}, {"a/", "a/\\"}};
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

// Catches: a unit one step off at each boundary, the quotient rounded before the unit
// is chosen (1048575 stays in KB), an overflow for very large sizes. 1152 is 1.125 KB:
// the tie rounds away from zero; -1 is the free space of a drive that was not queried.
TEST(FormatSize, UnitsBoundariesAndLargeSizes) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  const struct {
    int64_t bytes;
    const char* text;
  } cases[] = {{0, "0.00 Bytes"},          {1023, "1023.00 Bytes"}, {1024, "1.00 KB"},
               {1152, "1.13 KB"},          {1048575, "1024.00 KB"}, {1048576, "1.00 MB"},
               {1073741823, "1024.00 MB"}, {1073741824, "1.00 GB"}, {int64_t{1} << 40, "1024.00 GB"},
               {kMax, "8589934592.00 GB"}, {-1, "-1.00 Bytes"},     {-kMax - 1, "-8589934592.00 GB"}};
  for (const auto& c : cases) EXPECT_EQ(FormatSize(c.bytes), c.text) << c.bytes;
}

// Known answers from an independent conversion. Catches: the shortest round-trip text
// instead of 15 digits (sin 2 would show 16 and change the keys scrambled passwords are
// made with), rounding, trailing zeros, the ".0" rule, the switch to scientific notation.
TEST(FloatToText, GeneralFormatWithFifteenDigits) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    const char* text;
  } cases[] = {{std::sin(2.0), "0.909297426825682"},
               {std::sin(5.0), "-0.958924274663138"},
               {2.0 / 3.0, "0.666666666666667"},
               {0.1 + 0.2, "0.3"},
               {0.0, "0.0"},
               {-0.0, "0.0"},
               {1.0, "1.0"},
               {-2.5, "-2.5"},
               {123456789012345.0, "123456789012345.0"},
               {1e15, "1E15.0"},
               {0.00001, "0.00001"},
               {0.000001, "1E-6.0"},
               {1.5e-7, "1.5E-7"},
               {kInf, "INF"},
               {-kInf, "-INF"},
               {std::nan(""), "NAN"}};
  for (const auto& c : cases) EXPECT_EQ(FloatToText(c.value), c.text) << c.text;
}

}  // namespace
}  // namespace setup
