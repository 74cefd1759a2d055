// Entry names as paths below the target folder: extract writes a safe name's components
// and refuses any other name before writing anything (a fault here writes outside the
// folder, or refuses a harmless name).
#include "package/entry_path.h"

#include <filesystem>

#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

namespace fs = std::filesystem;
using ExtractNamesTest = SetupcTest;

TEST_F(ExtractNamesTest, SafeNamesAreSplitAndOthersRefusedBeforeAnythingIsWritten) {
  struct Case {
    std::string name;
    std::vector<std::string> components;  // empty: refused
    std::string reasonPart;
  };
  const Case cases[] = {
      {"data\\sub\\file.bin", {"data", "sub", "file.bin"}, ""},
      {"a/b", {"a", "b"}, ""},  // Windows takes "/" as a separator too
      {"..a\\b..\\.hidden", {"..a", "b..", ".hidden"}, ""},
      {"caf\xE9\\\x80uro", {"caf\xE9", "\x80uro"}, ""},
      {"console.txt", {"console.txt"}, ""},  // only the exact device names are devices
      {"COM10", {"COM10"}, ""},
      {"", {}, "empty"},
      {"a\\\\b", {}, "empty"},
      {"..", {}, "climbs out"},
      {"a\\..\\..\\x", {}, "climbs out"},
      {"C:\\x", {}, "colon"},
      {"\\x", {}, "absolute"},
      {"/etc/passwd", {}, "absolute"},
      {".\\x", {}, "dots and spaces"},
      {".. \\x", {}, "dots and spaces"},  // Windows drops the trailing space: ".."
      {"a<b>", {}, "character"},
      {"dir\\nul.txt", {}, "device"},
      {"LPT9", {}, "device"},
      {"aux .txt", {}, "device"},
      {"COM\xB9", {}, "device"},
  };
  const std::string package = Path("p.pak");
  for (const Case& c : cases) {
    const EntryPath path = SplitEntryPath(c.name);
    EXPECT_EQ(path.Safe(), !c.components.empty()) << c.name << ": " << path.refusal;
    EXPECT_EQ(path.components, c.components) << c.name;
    EXPECT_NE(path.refusal.find(c.reasonPart), std::string::npos) << c.name << ": " << path.refusal;
    if (path.Safe()) continue;
    Source("p.pak",
           test::BuildRawPackage({{"good.txt", 1, test::ToBytes("fine")}, {c.name, 1, test::ToBytes("evil")}})
               .bytes);
    fs::remove_all(Path("out"));
    fs::create_directories(Path("out"));
    const RunResult r = Run({"extract", package, Path("out")});
    EXPECT_EQ(r.code, kExitFailed) << c.name;
    EXPECT_EQ(r.err.find("setupc: entry 1 ("), 0u) << r.err;
    EXPECT_EQ(r.err.substr(r.err.find(") is refused: ")), ") is refused: " + path.refusal + "\n") << r.err;
    EXPECT_TRUE(fs::is_empty(Path("out"))) << c.name;
    EXPECT_FALSE(fs::exists(Path("x"))) << c.name;
  }
  // Each character Windows forbids in a file name, the control characters included.
  for (const char c : std::string("\0\x1F*?|<>\"", 8)) {
    EXPECT_NE(SplitEntryPath(std::string("a") + c + "b").refusal.find("character"), std::string::npos)
        << static_cast<int>(c);
  }
  // Only writing such a name is refused: verify checks it, and another group is extracted.
  EXPECT_EQ(Run({"verify", package}).code, kExitOk);
  EXPECT_EQ(Run({"extract", package, Path("out")}, {"--group", "0"}).code, kExitOk);
}

}  // namespace
}  // namespace setup::setupc
