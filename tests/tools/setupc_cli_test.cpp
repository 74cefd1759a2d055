// The command line itself: entry arguments, usage errors and their exit codes.
#include "setupc/entry_argument.h"
#include "setupc_fixture.h"

namespace setup::setupc {
namespace {

TEST(EntryArgumentTest, SplitsAtTheFirstColonAndTheFirstEqualsAfterIt) {
  struct Case {
    std::string text;
    uint16_t group;
    std::string name, path;
  };
  const Case cases[] = {
      {"65535:a=b", 65535, "a", "b"},
      {"007:x=y", 7, "x", "y"},
      {"1:data\\sub\\f.bin=C:\\src\\f.bin", 1, "data\\sub\\f.bin", "C:\\src\\f.bin"},
      {"2:a:b=c=d", 2, "a:b", "c=d"},  // a colon in the name, '=' in the path
  };
  for (const Case& c : cases) {
    std::string error;
    const std::optional<EntryArgument> parsed = ParseEntryArgument(c.text, error);
    ASSERT_TRUE(parsed) << c.text << ": " << error;
    EXPECT_EQ(parsed->group, c.group) << c.text;
    EXPECT_EQ(parsed->name, c.name) << c.text;
    EXPECT_EQ(parsed->path, c.path) << c.text;
  }
  for (const char* text : {"SetupInfo=x", "0:SetupInfo", "65536:a=b", "-1:a=b", "+1:a=b", ":a=b", "1 :a=b",
                           "99999999999:a=b", "0:=path", "0:name=", "0=a:b"}) {
    std::string error;
    EXPECT_FALSE(ParseEntryArgument(text, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

using CliTest = SetupcTest;

TEST_F(CliTest, ArgumentsGiveTheirExitCodeAndErrorLine) {
  struct Case {
    std::vector<std::string> arguments;
    int code;
    std::string errStart;  // after "setupc: "; help (exit 0) prints the usage on out
  };
  const Case cases[] = {
      {{"--help"}, kExitOk, ""},
      {{"list", "--help"}, kExitOk, ""},
      {{"vfs", "create", "--help"}, kExitOk, ""},
      {{"--version"}, kExitOk, ""},
      {{"bogus"}, kExitUsage, "unknown command \"bogus\" (see setupc --help)"},
      {{"pack"}, kExitUsage, "OUT is required (see setupc pack --help)"},
      {{"pack", "out", "--host"}, kExitUsage, "--host"},
      {{"pack", "out", "--host", "h", "--host=h"}, kExitUsage, "--host"},
      {{"list", "a", "b"}, kExitUsage, "The following argument was not expected: b (see setupc list --help)"},
      {{"list", "--frob", "p"}, kExitUsage, "The following argument was not expected: --frob"},
      {{"extract", "p"}, kExitUsage, "DIR is required"},
      {{"extract", "p", "d", "--group=x"}, kExitUsage, "--group must be a decimal number"},
      {{"compile", "s", "--jobs", "65"}, kExitUsage, "--jobs: Value 65 not in range 1 to 64"},
      {{"kzp"}, kExitUsage, "A subcommand is required (see setupc kzp --help)"},
      {{"kzp", "list", "p", "--official"}, kExitUsage, "The following argument was not expected: --official"},
      {{"vfs", "create", "d", "o", "--blocks", "1", "--roots", "1"}, kExitUsage, "--block-size is required"},
      {{"text", "p", "LANGUAGE-x"}, kExitUsage, "NUMBER is required (see setupc text --help)"},
      {{"text", "p", "LANGUAGE-x", "13", "$1g"}, kExitUsage, "bad text number \"$1g\""},
      {{"text", "p", "LANGUAGE-x", "65536"},
       kExitUsage,
       "bad text number \"65536\": decimal or $hexadecimal, 0 to 65535"},
      // An option may follow the package; after "--" it is a file name.
      {{"list", "no-such.pak", "--json"}, kExitUsage, "cannot read no-such.pak: no such file"},
      {{"list", "--", "--json"}, kExitUsage, "cannot read --json"},
  };
  for (const Case& c : cases) {
    const RunResult r = Run(c.arguments);
    const std::string what = c.arguments[0] + " " + c.errStart;
    EXPECT_EQ(r.code, c.code) << what;
    if (c.code == kExitOk) {
      // Help names the command's usage; the version is one line.
      EXPECT_NE(r.out.find(c.arguments[0] == "--version" ? "setupc 1." : "Usage: setupc"), std::string::npos)
          << r.out;
      EXPECT_EQ(r.err, "") << what;
    } else {
      EXPECT_EQ(r.out, "") << what;
      EXPECT_EQ(r.err.find("setupc: " + c.errStart), 0u) << r.err;
    }
  }
  const RunResult none = Run({});
  EXPECT_EQ(none.code, kExitUsage);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, UsageText());
}

}  // namespace
}  // namespace setup::setupc
