// The error report: the file it writes, where it writes it, the box that announces it,
// the Windows description, and the processor speed measurement, on the posix platform
// with a fixed machine.
#include "setup/error_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/posix/posix_controls.h"
#include "platform/posix/registry_posix.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "script/setup_context.h"
#include "setup/error_report_text.h"
#include "setup/os_info.h"
#include "test_support.h"

namespace setup {
namespace {

using platform::OsVersion;

constexpr const char* kTemp = "C:\\Users\\User\\AppData\\Local\\Temp\\";

struct Terminated {
  uint32_t code;
};

class ErrorReport : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::posix::SetSandboxRoot(sandbox_.Path());
    platform::posix::SetTemporaryFolder(kTemp);
    ASSERT_TRUE(platform::CreateDirectoryTree(kTemp));
    platform::posix::SetOsVersion({platform::kPlatformWin32Nt, 5, 1, 2600, "Service Pack 3", true, 3, 0,
                                   0x0100, platform::kProductWorkstation});
    platform::posix::SetTotalPhysicalMemory(1073676288);  // 64 KiB short of 1 GiB
    platform::posix::SetCommandLine({}, "C:\\setup.exe");
    platform::posix::ResetOpenedDocuments();
    previousExit_ = platform::SetExitHandler([](uint32_t code) { throw Terminated{code}; });
  }
  void TearDown() override {
    platform::SetExitHandler(std::move(previousExit_));
    SetErrorReportContext(nullptr);
    platform::posix::SetTemporaryFolder(kTemp);
    platform::posix::ResetOsVersion();
    platform::posix::SetTotalPhysicalMemory(uint64_t{2} << 30);
    platform::posix::SetCommandLine({}, "");
    platform::posix::ResetOpenedDocuments();
    platform::posix::SetSandboxRoot("");
  }

  // Runs the report with a fixed processor speed; returns the exit code.
  uint32_t Report(const std::string& text, const std::string& type) {
    uint32_t code = 0xDEAD;
    try {
      WriteErrorReport(text, type, [] { return 2394u; });
    } catch (const Terminated& t) {
      code = t.code;
    }
    return code;
  }

  static std::string ReadText(const std::string& path) {
    const test::Bytes bytes = test::ReadFileBytes(platform::posix::MapPath(path));
    return std::string(bytes.begin(), bytes.end());
  }

  test::TempDir sandbox_;
  test::MessageRecorder boxes_;
  platform::ExitHandler previousExit_;
};

// The memory figure is truncated before the "+ 1"; the "/j" values are masked.
TEST_F(ErrorReport, WritesTheWholeReportAnnouncesItOpensItAndTerminates) {
  SetupContext context;
  context.SetupInfo.SetupName = "Demo Product";
  context.SetupInfo.SetupExeName = "demo-setup.exe";
  const test::RawPackage raw = test::BuildRawPackage({{"SetupInfo", 0, test::ToBytes("info"), true},
                                                      {"a.txt", 1, test::ToBytes("aaaa"), true},
                                                      {"b.txt", 1, test::ToBytes("bbbb"), false}},
                                                     test::ToBytes("MZ stub"));
  test::WriteFileBytes(sandbox_.Path("setup.exe"), raw.bytes);
  ASSERT_TRUE(context.Package.Create(sandbox_.Path("setup.exe")));
  SetErrorReportContext(&context);
  platform::posix::SetCommandLine({"a", "/j", "b", "c", "d"}, "C:\\setup.exe");

  EXPECT_EQ(Report("Access violation at address 0040A1B2", "Setup Thread"), 5u);

  const std::string path = "C:\\Users\\User\\AppData\\Local\\Temp\\\\ErrorLog0000.TXT";
  EXPECT_EQ(ReadText(path),
            "General Info\r\n"
            "------------\r\n"
            "Setup Name             : Demo Product\r\n"
            "Setup EXE Name         : demo-setup.exe\r\n"
            "\r\n"
            "Pak Info\r\n"
            "--------\r\n"
            "ID                     : KZPF\r\n"
            "Version                : 1\r\n"
            "Count                  : 3\r\n"
            "\r\n"
            "ErrorType              : Setup Thread\r\n"
            "ErrorText              : Access violation at address 0040A1B2\r\n"
            "\r\n"
            "Params                 : A /j X X.X.X.X D\r\n"
            "ParamCount             : 5\r\n"
            "\r\n"
            "Windows Info\r\n"
            "------------\r\n"
            "Product                : Windows XP Professional\r\n"
            "BuildNumber            : 2600\r\n"
            "ServicePack            : Service Pack 3\r\n"
            "ServicePackMajor       : 3\r\n"
            "ServicePackMinor       : 0\r\n"
            "\r\n"
            "Physical Memory        : 1024MB\r\n"
            "CPU Speed              : 2394Mhz\r\n");
  test::ExpectOneBox(boxes_, "Error Report",
                     "Setup Thread Error: Access violation at address 0040A1B2\r\r"
                     "Error Log Created. Please Include \"" +
                         path + "\" with your bug report");
  EXPECT_EQ(platform::posix::OpenedDocuments(), std::vector<std::string>{path});
}

// No context registered: its fields stay empty rather than zeros.
TEST_F(ErrorReport, EmptyTypeAndTextWithoutContextKeepEveryLine) {
  EXPECT_EQ(Report("", ""), 5u);
  const std::string text = ReadText(std::string(kTemp) + "\\ErrorLog0000.TXT");
  for (const char* line : {"\r\nSetup Name             : \r\n", "\r\nID                     : \r\n",
                           "\r\nCount                  : \r\n", "\r\nErrorType              : Unknown\r\n",
                           "\r\nErrorText              : \r\n", "\r\nParams                 : \r\n",
                           "\r\nParamCount             : 0\r\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  test::ExpectOneBox(boxes_, "Error Report",
                     "Unknown Error: \r\rError Log Created. Please Include \"" + std::string(kTemp) +
                         "\\ErrorLog0000.TXT\" with your bug report");
}

// Existing reports stay; the doubled backslash after the folder is kept.
TEST_F(ErrorReport, TakesTheFirstFreeNumberedName) {
  const std::string folder = std::string(kTemp) + "\\";
  test::WriteFileBytes(platform::posix::MapPath(folder + "ErrorLog0000.TXT"), test::ToBytes("first"));
  test::WriteFileBytes(platform::posix::MapPath(folder + "ErrorLog0001.TXT"), test::ToBytes("second"));

  EXPECT_EQ(Report("boom", "Setup Thread"), 5u);
  EXPECT_EQ(ReadText(folder + "ErrorLog0000.TXT"), "first");
  EXPECT_EQ(ReadText(folder + "ErrorLog0001.TXT"), "second");
  EXPECT_EQ(ReadText(folder + "ErrorLog0002.TXT").rfind("General Info\r\n", 0), 0u);
  test::ExpectOneBox(boxes_, "Error Report",
                     "Setup Thread Error: boom\r\rError Log Created. Please Include "
                     "\"C:\\Users\\User\\AppData\\Local\\Temp\\\\ErrorLog0002.TXT\" with your bug report");

  EXPECT_EQ(ErrorLogFileName(9999), "ErrorLog9999.TXT");
  EXPECT_EQ(ErrorLogFileName(10000), "ErrorLog10000.TXT");
}

TEST_F(ErrorReport, AReportThatCannotBeWrittenStillShowsTheError) {
  platform::posix::SetTemporaryFolder("C:\\Missing\\");
  EXPECT_EQ(Report("Stream read error", "Verification Stage"), 5u);
  test::ExpectOneBox(boxes_, "Error Report",
                     "Verification Stage Error: Stream read error\r\r"
                     "The Error Log could not be written to \"C:\\Missing\\\\ErrorLog0000.TXT\"");
  EXPECT_TRUE(platform::posix::OpenedDocuments().empty());
}

// Non-ASCII letters stay as they are; a "/J" at the end masks values it does not have.
TEST(ErrorReportParams, UpperCasesJoinsAndMasksWhatFollowsJ) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"/J", "secret", "1.2.3.4"}, "/j X X.X.X.X"},
      {{"x", "/J"}, "X /j X X.X.X.X"},
      {{"/jx", "caf\xE9", "C:\\Setup Files\\pak.bin"}, "/JX CAF\xE9 C:\\SETUP FILES\\PAK.BIN"},
  };
  for (const auto& [arguments, params] : cases) EXPECT_EQ(ErrorReportParams(arguments), params) << params;
}

// One row a Windows: version data, edition metrics and registry in, product and
// service-pack text out. The registry is asked only without extended data.
TEST(OsInfo, NamesEditionsAndServicePacks) {
  struct Row {
    uint32_t platformId, major, minor;
    const char* csd;
    bool extended;
    uint16_t suites;
    uint8_t product;
    int metric;                // a system metric that is 1, or 0 for none
    const char* registryType;  // "ProductType" under ProductOptions, or nullptr
    bool hotfix;               // the NT4 Q246009 key exists
    const char* productText;
    const char* servicePack;
  };
  constexpr uint32_t k9x = platform::kPlatformWin32Windows;
  constexpr uint32_t kNt = platform::kPlatformWin32Nt;
  constexpr uint8_t kWs = platform::kProductWorkstation;
  constexpr uint8_t kSrv = platform::kProductServer;
  constexpr uint8_t kDc = platform::kProductDomainController;
  const Row rows[] = {
      {k9x, 4, 0, " c", false, 0, 0, 0, nullptr, false, "Windows 95 ", "OSR2"},
      {k9x, 4, 0, " A", false, 0, 0, 0, nullptr, false, "Windows 95 ", ""},
      {k9x, 4, 10, " A", false, 0, 0, 0, nullptr, false, "Windows 98 ", "SE"},
      {k9x, 4, 10, "", false, 0, 0, 0, "WINNT", false, "Windows 98 ", ""},
      {k9x, 4, 90, " ", false, 0, 0, 0, nullptr, false, "Windows Me ", ""},
      {kNt, 4, 0, "Service Pack 6", true, 0, kWs, 0, nullptr, true, "Windows NT4 Workstation 4.0",
       "Service Pack 6a"},
      {kNt, 4, 0, "service pack 6", true, 0x0002, kSrv, 0, nullptr, false,
       "Windows NT4 Server 4.0, Enterprise Edition", "service pack 6"},
      {kNt, 4, 0, "Service Pack 5", false, 0, 0, 0, "LANMANNT", true, "Windows NT4 Server 4.0",
       "Service Pack 5"},
      {kNt, 4, 0, "", false, 0, 0, 0, "ServerNT", false, "Windows NT4 Advanced Server 4.0", ""},
      {kNt, 4, 0, "", false, 0, 0, 0, nullptr, false, "Windows NT4 ", ""},
      {kNt, 5, 0, "Service Pack 4", true, 0x0082, kSrv, 0, "WINNT", false, "Windows 2000 Datacenter Server",
       "Service Pack 4"},
      {kNt, 5, 0, "", true, 0x0002, kSrv, 0, nullptr, false, "Windows 2000 Advanced Server", ""},
      {kNt, 5, 0, "", true, 0, kSrv, 0, nullptr, false, "Windows 2000 Standard Edition", ""},
      {kNt, 5, 0, "", true, 0, kWs, 0, nullptr, false, "Windows 2000 Professional", ""},
      {kNt, 5, 1, "Service Pack 2", true, 0x0200, kWs, platform::kMetricMediaCenter, nullptr, false,
       "Windows XP Media Center Edition", "Service Pack 2"},
      {kNt, 5, 1, "", true, 0x0200, kWs, platform::kMetricTabletPc, nullptr, false,
       "Windows XP Tablet PC Edition", ""},
      {kNt, 5, 1, "", true, 0x0200, kWs, 0, nullptr, false, "Windows XP Home Edition", ""},
      {kNt, 5, 2, "", true, 0x0082, kSrv, 0, nullptr, false, "Windows Server2003 DataCenter Edition", ""},
      {kNt, 5, 2, "", true, 0x0402, kSrv, 0, nullptr, false, "Windows Server2003 Enterprise Edition", ""},
      {kNt, 5, 2, "", true, 0x0400, kSrv, 0, nullptr, false, "Windows Server2003 Web Edition", ""},
      {kNt, 5, 2, "", true, 0, kDc, 0, nullptr, false, "Windows Server2003 Standard Edition", ""},
      {kNt, 6, 0, "Service Pack 2", true, 0, kWs, 0, nullptr, false, "Windows Vista ", "Service Pack 2"},
      {kNt, 6, 0, "", true, 0, kSrv, 0, nullptr, false, "Windows Server 2008 ", ""},
      {kNt, 6, 1, "", true, 0, kWs, 0, nullptr, false, "Windows 7 ", ""},
      {kNt, 6, 1, "", true, 0, kDc, 0, nullptr, false, "Windows Server 2008 R2 ", ""},
      {kNt, 6, 1, "", false, 0, 0, 0, "WinNT", false, "Windows 7 WorkStation 6.1", ""},
      {kNt, 6, 2, "", true, 0, kWs, 0, nullptr, false, "Unknown OS ", ""},
  };
  for (const Row& row : rows) {
    platform::posix::ResetRegistry();
    platform::RegistryKey options, hotfix;
    if (row.registryType != nullptr) {
      ASSERT_TRUE(
          options.Create(platform::kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions") &&
          options.WriteString("ProductType", row.registryType));
    }
    if (row.hotfix) {
      ASSERT_TRUE(hotfix.Create(platform::kHkeyLocalMachine,
                                "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009"));
    }
    const OsVersion v{row.platformId, row.major, row.minor, 0,          row.csd,
                      row.extended,   0,         0,         row.suites, row.product};
    const TOSInfo info = TOSInfo::Describe(v, row.metric == platform::kMetricMediaCenter,
                                           row.metric == platform::kMetricTabletPc);
    EXPECT_EQ(info.Product(), row.productText) << row.productText;
    EXPECT_EQ(info.ServicePack, row.servicePack) << row.productText;
  }
  platform::posix::ResetRegistry();
}

// Rounded to the nearest MHz; the priorities raised for the measurement are restored.
TEST(CpuSpeed, MeasuresCyclesPerMicrosecondAndRestoresPriorities) {
  platform::posix::SetManualClock(true, 5000);
  platform::SetProcessPriorityClass(0x4000);  // below normal
  platform::SetThreadPriority(-1);
  const std::pair<uint64_t, uint32_t> rates[] = {{2400200, 2400}, {2400600, 2401}};
  for (const auto& [cyclesPerMs, mhz] : rates) {
    platform::posix::SetTimeStampRate(cyclesPerMs);
    EXPECT_EQ(MeasureCpuSpeed(), mhz) << cyclesPerMs;
  }
  EXPECT_EQ(platform::ProcessPriorityClass(), 0x4000u);
  EXPECT_EQ(platform::ThreadPriority(), -1);
  platform::SetProcessPriorityClass(platform::kNormalPriorityClass);
  platform::SetThreadPriority(platform::kThreadPriorityNormal);
  platform::posix::SetTimeStampRate(2000000);
  platform::posix::SetManualClock(false);
}

}  // namespace
}  // namespace setup
