// The command line of the setup: switches in any case, /D= last with its blanks, and a
// package argument that is never a switch.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "setup/setup_arguments.h"

namespace setup {
namespace {

TEST(SetupArguments, SwitchesFolderAndPackage) {
  using Args = std::vector<std::string>;
  const std::optional<std::string> none;
  const struct {
    Args arguments;
    bool unattended;
    std::optional<std::string> log, folder, package;
  } cases[] = {
      {{}, false, none, none, none},
      {{"/S"}, true, none, none, none},
      {{"/s", "/log=C:\\setup log.txt"}, true, "C:\\setup log.txt", none, none},
      // The system split the folder at its blanks; /D= takes the rest of the line.
      {{"/S", "/D=C:\\Program", "Files\\My", "Game"}, true, none, "C:\\Program Files\\My Game", none},
      {{"/D=C:\\a", "/S"}, false, none, "C:\\a /S", none},
      {{"data.pak", "/S", "/D=D:\\Games"}, true, none, "D:\\Games", "data.pak"},
      {{"/S", "data.pak", "other.pak"}, true, none, none, "data.pak"},
      // A switch is never the package, an unknown one neither; an empty /D= or /LOG= is none.
      {{"/X", "/LOG=", "/D="}, false, none, none, none},
      {{"/SILENT"}, false, none, none, none},
      {{"/S", "/home/data.pak"}, true, none, none, "/home/data.pak"},
  };
  for (const auto& c : cases) {
    const SetupArguments parsed = ParseSetupArguments(c.arguments);
    std::string line;
    for (const std::string& a : c.arguments) line += a + " ";
    EXPECT_EQ(parsed.Unattended, c.unattended) << line;
    EXPECT_EQ(parsed.LogFile, c.log) << line;
    EXPECT_EQ(parsed.Folder, c.folder) << line;
    EXPECT_EQ(parsed.Package, c.package) << line;
  }
}

}  // namespace
}  // namespace setup
