#pragma once
// A whole install run against the posix platform: a sandbox drive, the in-memory
// registry, a package built by hand, a script assembled line by line, and every status
// line the run reports. Tests of the worker thread and of the commands share it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/posix_controls.h"
#include "platform/posix/registry_posix.h"
#include "platform/posix/shell_controls.h"
#include "script/command_list.h"
#include "script/setup_context.h"
#include "script/setup_thread.h"
#include "test_support.h"
#include "uninstall/uninstaller_builder.h"

namespace setup::test {

// An English language with the texts the run reports.
inline Bytes RunLanguageFile() {
  return Utf16File(
      u"English\r\n0409;\r\n17 Copying File <%FILENAME%>\r\n18 Extracting <%FILENAME%>\r\n"
      u"23 Setup failed to install patch.\r\n31 Installing extras\r\n");
}

class ScriptRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::posix::SetSandboxRoot(dir_.Path("root"));
    platform::posix::ResetRegistry();
    platform::posix::ResetSpecialFolders();
    platform::posix::ResetLogicalDrives();
    platform::posix::SetTemporaryFolder("C:\\Temp\\");
    std::filesystem::create_directories(Local("C:\\Temp"));
    RegisterCommands(context.Commands);
    context.BuildUninstaller = BuildUninstaller;
    context.SetupInfo.SetupName = "Demo Product 1.0";
    context.SetupInfo.ShortName = "Demo Product";
    context.SetupInfo.UninstallExeName = "Uninstall.exe";
    context.SetupInfo.InstallDir = "C:\\Program Files\\Demo\\";
    context.Variables.ProgramFiles = "C:\\Program Files\\";
    context.Variables.SmPrograms = "C:\\Menu\\";
    context.Variables.Desktop = "C:\\Desktop\\";
    language_ = RunLanguageFile();
    context.Languages.Add(language_.data(), language_.size());
    context.Languages.Current = 0;
    context.HandOff.RegisterControls(true, true, true);
    context.HandOff.SetStatusObserver([this](const std::string& s) { statuses.push_back(s); });
  }
  void TearDown() override {
    platform::posix::SetSandboxRoot("");
    platform::posix::ResetRegistry();
  }

  // Writes the package into the sandbox and opens it as the run's package.
  void OpenPackage(const std::vector<RawEntry>& entries) {
    const std::string path = dir_.Path("setup.pak");
    WriteFileBytes(path, BuildRawPackage(entries).bytes);
    ASSERT_TRUE(context.Package.Create(path));
  }

  // Appends a line running the keyword's command; returns its index.
  int32_t Line(const std::string& keyword, std::vector<std::string> params) {
    TCompLine line;
    line.CommandId = context.Commands.IdByKeyword(keyword);
    EXPECT_GT(line.CommandId, 0) << keyword;
    line.Params = std::move(params);
    line.LineIndex = static_cast<int32_t>(context.CompiledLines.Count());
    return context.CompiledLines.Add(std::move(line));
  }
  // Appends a line without a command (a label or a comment); returns its index.
  int32_t Label() { return context.CompiledLines.Add(TCompLine{}); }

  void Run() {
    context.Run.CurrentLine = -1;
    RunScript(context);
  }

  // The local path of a Windows path in the sandbox.
  static std::string Local(const std::string& windowsPath) { return platform::posix::MapPath(windowsPath); }

  TempDir dir_;
  Bytes language_;
  SetupContext context;
  std::vector<std::string> statuses;
};

}  // namespace setup::test
