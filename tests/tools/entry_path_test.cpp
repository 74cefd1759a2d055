// Entry names as paths below a target folder: the check that keeps extraction inside
// the folder (a fault here writes outside it).
#include "package/entry_path.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

TEST(EntryPath, SplitsSafeNamesIntoComponents) {
  struct Case {
    std::string name;
    std::vector<std::string> components;
  };
  const Case cases[] = {
      {"SetupInfo", {"SetupInfo"}},
      {"data\\sub\\file.bin", {"data", "sub", "file.bin"}},
      {"a/b", {"a", "b"}},  // Windows takes "/" as a separator too
      {"..a\\b..\\.hidden", {"..a", "b..", ".hidden"}},
      {"name with spaces.txt", {"name with spaces.txt"}},
      {"caf\xE9\\\x80uro", {"caf\xE9", "\x80uro"}},
      {"console.txt", {"console.txt"}},  // only the exact device names are devices
      {"COM10", {"COM10"}},
  };
  for (const Case& c : cases) {
    const EntryPath path = SplitEntryPath(c.name);
    EXPECT_TRUE(path.Safe()) << c.name << ": " << path.refusal;
    EXPECT_EQ(path.components, c.components) << c.name;
  }
}

TEST(EntryPath, RefusesNamesThatLeaveTheFolderOrCannotBeFiles) {
  struct Case {
    std::string name;
    std::string reasonPart;
  };
  const Case cases[] = {
      {"", "empty"},
      {"..\\x", "climbs out"},
      {"a\\..\\..\\x", "climbs out"},
      {"a\\..", "climbs out"},
      {"a/../../x", "climbs out"},
      {"..", "climbs out"},
      {"C:\\x", "colon"},
      {"C:x", "colon"},
      {"a:b", "colon"},
      {"file.txt:stream", "colon"},
      {"\\x", "absolute"},
      {"/etc/passwd", "absolute"},
      {"\\\\server\\share\\x", "absolute"},
      {"a\\\\b", "empty"},
      {"a\\", "empty"},
      {".\\x", "dots and spaces"},
      {".. \\x", "dots and spaces"},  // Windows drops the trailing space: ".."
      {"...\\x", "dots and spaces"},
      {"a\\ \\b", "dots and spaces"},
      {std::string("a\0b", 3), "character"},
      {"a\nb", "character"},
      {"a*b", "character"},
      {"a?b", "character"},
      {"a|b", "character"},
      {"a<b>", "character"},
      {"say\"hi\"", "character"},
      {"NUL", "device"},
      {"dir\\nul.txt", "device"},
      {"Con", "device"},
      {"com1.log", "device"},
      {"LPT9", "device"},
      {"aux .txt", "device"},
      {"COM\xB9", "device"},
  };
  for (const Case& c : cases) {
    const EntryPath path = SplitEntryPath(c.name);
    EXPECT_FALSE(path.Safe()) << c.name;
    EXPECT_TRUE(path.components.empty()) << c.name;
    EXPECT_NE(path.refusal.find(c.reasonPart), std::string::npos) << c.name << ": " << path.refusal;
  }
}

}  // namespace
}  // namespace setup
