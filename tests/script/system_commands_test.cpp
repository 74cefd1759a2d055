// The system commands in whole runs: registry values and their log lines, URL
// protocols, shortcuts, started programs and status messages.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <tuple>

#include "base/errors.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "script/script_run_fixture.h"

namespace setup::test {
namespace {

using Clock = std::chrono::steady_clock;
using SystemCommandsTest = ScriptRunTest;

TEST_F(SystemCommandsTest, WriteRegStrRootsExpansionAndLogLines) {
  Line("writeregstr", {"hkcu", "Software\\Demo", "Path", "$INSTDIR"});
  Line("writeregstr", {"HKEY_CURRENT_USER", "Software\\Demo", "Version", "1.0"});
  Line("writeregstr", {"HKCU", "\\Refused", "x", "y"});  // a key that cannot be opened
  Run();

  // A short root name in any case selects its root; a long name is unknown: HKLM.
  EXPECT_EQ(RegistryString(platform::kHkeyCurrentUser, "Software\\Demo", "Path"),
            "C:\\Program Files\\Demo\\");
  EXPECT_EQ(RegistryString(platform::kHkeyLocalMachine, "Software\\Demo", "Version"), "1.0");

  // The script's text (unexpanded); the refused key is logged too.
  const std::vector<std::string> expected = {
      "\"hkcu\" \"Software\\Demo\" \"Path\" \"$INSTDIR\"",
      "\"HKEY_CURRENT_USER\" \"Software\\Demo\" \"Version\" \"1.0\"",
      "\"HKCU\" \"\\Refused\" \"x\" \"y\"",
  };
  EXPECT_EQ(context.UninstallList.RegistryEntries(), expected);
}

TEST_F(SystemCommandsTest, WriteRegStrUrlKeysCommandTextAndLogLines) {
  Line("writeregstr_url", {"demo", "$INSTDIR\\icon.ico", "$INSTDIR\\Game.exe"});
  Line("writeregstr_url", {"demo2", "$INSTDIR\\icon.ico", "$INSTDIR\\Game.exe", "link", "%1"});
  Run();

  const uint32_t hkcr = platform::kHkeyClassesRoot;
  EXPECT_EQ(RegistryString(hkcr, "demo", ""), "URL:demo Protocol");
  EXPECT_EQ(RegistryString(hkcr, "demo", "URL Protocol"), "");
  EXPECT_EQ(RegistryString(hkcr, "demo\\DefaultIcon", ""), "C:\\Program Files\\Demo\\icon.ico");
  // Three parameters: only the quoted program; more: each further one quoted after it.
  EXPECT_EQ(RegistryString(hkcr, "demo\\shell\\open\\command", ""), "\"C:\\Program Files\\Demo\\Game.exe\"");
  EXPECT_EQ(RegistryString(hkcr, "demo2\\shell\\open\\command", ""),
            "\"C:\\Program Files\\Demo\\Game.exe\" \"link\" \"%1\"");
  const std::vector<std::string> log = {
      "\"HKCR\" \"demo\" \"\" \"\"",
      "\"HKCR\" \"demo\" \"URL Protocol\" \"\"",
      "\"HKCR\" \"demo\\DefaultIcon\\\" \"\" \"\"",
      "\"HKCR\" \"demo\\shell\\open\\command\\\" \"\" \"\"",
  };
  const std::vector<std::string>& logged = context.UninstallList.RegistryEntries();
  ASSERT_EQ(logged.size(), 8u);
  EXPECT_EQ(std::vector<std::string>(logged.begin(), logged.begin() + 4), log);
}

TEST_F(SystemCommandsTest, CreateShortCutSetsIconOnlyWhenItDiffersFromTheTarget) {
  const std::string folder = "C:\\Program Files\\Demo\\";
  const struct {
    std::vector<std::string> params;
    std::string icon;
  } cases[] = {
      {{"$SMPROGRAMS\\Demo\\A.lnk", "$INSTDIR\\Game.exe", "-x"}, ""},
      {{"$SMPROGRAMS\\Demo\\B.lnk", "$INSTDIR\\Game.exe", "-x", "$INSTDIR\\Game.exe"}, ""},
      {{"$SMPROGRAMS\\Demo\\C.lnk", "$INSTDIR\\Game.exe", "-x", "$INSTDIR\\game.exe"}, folder + "game.exe"},
  };
  for (const auto& c : cases) Line("createshortcut", c.params);
  Run();

  for (const auto& c : cases) {
    const std::string name = c.params[0].substr(c.params[0].size() - 5);
    SCOPED_TRACE(name);
    const std::optional<platform::ShellLink> link = platform::LoadShellLink("C:\\Menu\\Demo\\" + name);
    ASSERT_TRUE(link.has_value());
    EXPECT_EQ(std::tie(link->target, link->arguments, link->workingFolder, link->iconPath, link->iconIndex),
              std::make_tuple(folder + "Game.exe", "-x", folder, c.icon, 0));
    EXPECT_TRUE(context.UninstallList.HasFile("$SMPROGRAMSDemo\\" + name));
  }
  EXPECT_EQ(context.UninstallList.Files().size(), std::size(cases));
  // The link's folders first; the installation folder by the run, after the script.
  const std::vector<std::string> folders = {"C:\\Menu\\", "C:\\Menu\\Demo\\", "C:\\Program Files\\", folder};
  EXPECT_EQ(context.UninstallList.Folders(), folders);
}

TEST_F(SystemCommandsTest, ExecuteWaitsForTheProgramToEnd) {
  const std::string marker = dir_.Path("marker");
  const int32_t missing = Line("execute", {"$INSTDIR\\missing.exe"});
  Line("execute", {"/bin/sh", "-c \"sleep 0.1; echo done > " + marker + "\""});
  const auto start = Clock::now();
  Run();
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(ReadFileBytes(marker), ToBytes("done\n"));  // written before the run went on
  // A program that cannot start is passed over; the expanded text replaced the parameter.
  EXPECT_EQ(context.CompiledLines.Find(missing)->Params[0], "C:\\Program Files\\Demo\\missing.exe");
}

TEST_F(SystemCommandsTest, ExecuteStopsWaitingOnceSetupFailed) {
  Line("execute", {"/bin/sh", "-c \"sleep 3\""});
  context.Run.SetupFailed = true;
  const auto start = Clock::now();
  Run();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

TEST_F(SystemCommandsTest, MessageReplacesLanguageTagsButNotPathVariables) {
  Line("message", {"<LANG31>: $INSTDIR"});
  Run();
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Installing extras: $INSTDIR"), statuses.end());
}

}  // namespace
}  // namespace setup::test
