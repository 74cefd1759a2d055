// apply: a setup compiled in-process run against a folder as the stub runs it with /S;
// what it reports, what stays in the sandbox, and the stub's exit codes.
#include <filesystem>

#include "platform/registry.h"
#include "setupc/commands.h"
#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;
using test::ToBytes;

class ApplyTest : public SetupcTest {
 protected:
  void SetUp() override {
    SetApplyCommand(ApplyCommand);
    fs::create_directories(Path("p/languages"));
    Source("p/languages/english.txt", test::Utf16File(u"English\r\n0409;\r\n1 Welcome\r\n"));
    fs::create_directories(Path("p/payload/Data"));
    Source("p/payload/Data/A.txt", ToBytes("new content"));
    Source("stub.exe", ToBytes("MZ fake stub"));
  }

  // Compiles the lines (after a header) into p/setup.exe.
  std::string Compile(const std::vector<std::string>& lines) {
    std::string text = "name \"Apply Test\"\r\noutfile setup.exe\r\ninstalldir \"$PROGRAMFILES\\Apply\\\"\r\n"
                       "language english\r\n";
    for (const std::string& line : lines) text += line + "\r\n";
    Source("p/setup.txt", ToBytes(text));
    const RunResult r = Run({"compile", Path("p/setup.txt"), "--stub", Path("stub.exe")});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    return Path("p/setup.exe");
  }

  RunResult Apply(const std::string& setup, bool json = false) {
    std::vector<std::string> arguments = {"apply", setup, Path("t")};
    if (json) arguments.push_back("--json");
    return Run(arguments);
  }

  static bool Has(const RunResult& r, const std::string& part) { return r.out.find(part) != std::string::npos; }
};

// Catches: files not written into DIR, a file of another case written beside the one
// there, a registry value reaching the host's registry or missing from the report, a box
// waiting for an answer or not reported, a program started, a system-folder file left
// outside the sandbox or not reported.
TEST_F(ApplyTest, RunsTheScriptIntoTheFolderAndReportsWhatItDid) {
  const std::string setup = Compile({
      "file payload",
      "writeregstr HKLM \"Software\\ApplyTest\" Version 2",
      "messagebox \"Continue?\" \"Apply Box\" -1 stop",
      "createshortcut \"$DESKTOP\\Apply.lnk\" \"$INSTDIR\\app.exe\" \"\"",
      "execute \"$INSTDIR\\app.exe\" /quiet",
      "goto end",
      "stop:",
      "failure",
      "end:",
  });
  // An earlier installation holds the file in lower case: Windows would overwrite it.
  fs::create_directories(Path("t/data"));
  Source("t/data/a.txt", ToBytes("old"));
  const RunResult r = Apply(setup);
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(test::ReadFileBytes(Path("t/data/a.txt")), ToBytes("new content"));
  std::vector<std::string> names;  // "Data" found "data" (a lookup would not tell on Windows)
  for (const auto& entry : fs::directory_iterator(Path("t"))) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"data"});
  EXPECT_TRUE(Has(r, "  changed data/a.txt (3 -> 11 bytes")) << r.out;
  EXPECT_TRUE(Has(r, "HKLM\\Software\\ApplyTest: Version = 2")) << r.out;
  EXPECT_FALSE(platform::RegistryKeyExists(platform::kHkeyLocalMachine, "Software\\ApplyTest"));
  EXPECT_TRUE(Has(r, "\"Continue?\" (Apply Box): OK")) << r.out;
  EXPECT_TRUE(Has(r, "app.exe /quiet")) << r.out;
  EXPECT_TRUE(Has(r, "Desktop\\Apply.lnk (")) << r.out;
  EXPECT_TRUE(Has(r, "exit code 0 (success)")) << r.out;
  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(Path("t"))) files += entry.is_regular_file();
  EXPECT_EQ(files, 1u);  // data/a.txt alone: the shortcut stayed in the sandbox

  const RunResult json = Apply(setup, true);
  EXPECT_EQ(json.code, 0);
  EXPECT_TRUE(Has(json, "\"exit_code\": 0")) << json.out;
  EXPECT_TRUE(Has(json, "\"answer\": \"OK\"")) << json.out;
}

// Catches: a failed script or a damaged setup not ending with the stub's exit code.
TEST_F(ApplyTest, ExitCodesAreTheStubs) {
  const std::string failing = Compile({"failure"});
  const RunResult failed = Apply(failing);
  EXPECT_EQ(failed.code, 2) << failed.out;
  EXPECT_TRUE(Has(failed, "exit code 2 (the script failed)")) << failed.out;

  test::Bytes bytes = test::ReadFileBytes(failing);
  bytes[std::string("MZ fake stub").size() + 8] ^= 0x55;  // inside the first entry's data
  test::WriteFileBytes(failing, bytes);
  const RunResult damaged = Apply(failing);
  EXPECT_EQ(damaged.code, 3) << damaged.out;
  EXPECT_TRUE(Has(damaged, "exit code 3 (a damaged setup)")) << damaged.out;
}

}  // namespace
}  // namespace setup::setupc
