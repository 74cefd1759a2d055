// The command line itself: entry arguments, usage errors and their exit codes, and the
// text conversions at the tool's edges.
#include "setupc/entry_argument.h"
#include "setupc/text.h"
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
      {"0:SetupInfo=build/setup.inf", 0, "SetupInfo", "build/setup.inf"},
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
}

TEST(EntryArgumentTest, RefusesMalformedArguments) {
  for (const char* text : {"SetupInfo=x", "0:SetupInfo", "65536:a=b", "-1:a=b", "+1:a=b", "x:a=b", ":a=b",
                           "1 :a=b", "99999999999:a=b", "0:=path", "0:name=", "0=a:b"}) {
    std::string error;
    EXPECT_FALSE(ParseEntryArgument(text, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(TextTest, Utf8AndUtf16ConvertBothWays) {
  const std::u16string wide = u"a\u00e9\u20ac\U0001F600";
  const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  EXPECT_EQ(Utf16ToUtf8(wide), utf8);
  EXPECT_EQ(Utf8ToUtf16(utf8), wide);
  // An unpaired surrogate cannot be encoded; it becomes U+FFFD.
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(TextTest, MalformedUtf8IsRejected) {
  for (const char* text : {"\x80", "\xC3", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                           "\xF8\x88\x80\x80\x80", "a\xE2\x82"}) {
    EXPECT_FALSE(Utf8ToUtf16(text)) << text;
  }
}

class CliTest : public SetupcTest {};

TEST_F(CliTest, UsageErrorsExitWithTwoAndOneLineEach) {
  struct Case {
    std::vector<std::string> arguments;
    std::string errPart;
  };
  const Case cases[] = {
      {{"bogus"}, "unknown command \"bogus\""},
      {{"pack"}, "pack needs an output file"},
      {{"pack", "out", "--host"}, "--host needs a value"},
      {{"pack", "out", "--host", "h", "--host", "h"}, "--host is given twice"},
      {{"list"}, "list takes 1 argument, got 0"},
      {{"list", "a", "b"}, "list takes 1 argument, got 2"},
      {{"list", "--frob", "p"}, "unknown option --frob"},
      {{"list", "--json=1", "p"}, "unknown option --json=1"},
      {{"verify"}, "verify takes 1 argument, got 0"},
      {{"extract", "p"}, "extract takes 2 arguments, got 1"},
      {{"extract", "p", "d", "--group", "65536"}, "--group must be"},
      {{"extract", "p", "d", "--group=x"}, "--group must be"},
      {{"info"}, "info takes 1 argument, got 0"},
      {{"log", "--group", "1", "f"}, "unknown option --group"},
      {{"text", "p", "LANGUAGE-x"}, "text takes a package, an entry and at least one text number, got 2"},
      {{"text", "p", "LANGUAGE-x", "13", "$1g"}, "bad text number \"$1g\""},
      {{"text", "p", "LANGUAGE-x", "65536"},
       "bad text number \"65536\": decimal or $hexadecimal, 0 to 65535"},
      {{"text", "p", "LANGUAGE-x", "$"}, "bad text number \"$\""},
  };
  for (const Case& c : cases) {
    const RunResult r = Run(c.arguments);
    EXPECT_EQ(r.code, kExitUsage) << c.arguments[0];
    EXPECT_TRUE(r.out.empty()) << c.arguments[0];
    EXPECT_NE(r.err.find("setupc: " + c.errPart), std::string::npos) << r.err;
  }
}

TEST_F(CliTest, HelpGoesToStdoutAndNoArgumentsToStderr) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"help"}, {"list", "--help"}}) {
    const RunResult r = Run(arguments);
    EXPECT_EQ(r.code, kExitOk) << arguments[0];
    EXPECT_EQ(r.out, UsageText());
    EXPECT_TRUE(r.err.empty());
  }
  const RunResult none = Run({});
  EXPECT_EQ(none.code, kExitUsage);
  EXPECT_TRUE(none.out.empty());
  EXPECT_EQ(none.err, UsageText());
}

TEST_F(CliTest, OptionsMayFollowPositionalArgumentsAndDoubleDashEndsThem) {
  const std::string package = Pack("p", {"0:a=" + Source("src", test::ToBytes("x"))});
  RunResult r = Run({"list", package, "--json"});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_NE(r.out.find("\"count\": 1"), std::string::npos);
  // After "--", "--json" is a file name.
  r = Run({"list", "--", "--json"});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("cannot read --json"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace setup::setupc
