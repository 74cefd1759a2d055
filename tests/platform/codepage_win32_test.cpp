// The system code page through the Windows API. The expected characters are those of
// the Windows-1252 table, the code page of an English Windows (and of Wine's default
// prefix); on another code page the known answers do not apply.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace setup::platform {
namespace {

#define REQUIRE_WESTERN_CODE_PAGE() \
  if (GetACP() != 1252) GTEST_SKIP() << "the system code page is " << GetACP() << ", not 1252"

using namespace std::string_literals;

// Catches: the wrong code page (UTF-8 or OEM instead of ANSI), a length taken from a
// terminator instead of the view (embedded NUL, empty text).
TEST(Win32CodePage, KnownCharactersConvertBothWays) {
  REQUIRE_WESTERN_CODE_PAGE();
  const struct {
    std::string ansi;
    std::u16string wide;
  } cases[] = {
      {"", u""},
      {"Setup", u"Setup"},
      {"caf\xE9", u"caf\u00E9"},
      {"\x80 5", u"\u20AC 5"},
      {"\x8A\x9F\x85", u"\u0160\u0178\u2026"},
      {"a\0b"s, u"a\0b"s},
      {"C:\\Program Files\\\xC4pfel", u"C:\\Program Files\\\u00C4pfel"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AnsiToWide(c.ansi), c.wide) << c.ansi;
    EXPECT_EQ(WideToAnsi(c.wide), c.ansi) << c.ansi;
  }
}

// Catches: a byte lost or changed anywhere in the table.
TEST(Win32CodePage, EveryByteRoundTrips) {
  REQUIRE_WESTERN_CODE_PAGE();
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::u16string wide = AnsiToWide(all);
  EXPECT_EQ(wide.size(), all.size());
  EXPECT_EQ(WideToAnsi(wide), all);
}

TEST(Win32CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  REQUIRE_WESTERN_CODE_PAGE();
  EXPECT_EQ(WideToAnsi(u"A\u4E2D\u0416B"), "A??B");
}

// Catches: lower-casing of ASCII only, or of bytes instead of characters (0x8A and
// 0x9A are S and s with caron, 0x9F and 0xFF Y and y with diaeresis), and a change to
// characters that have no lower case.
TEST(Win32CodePage, AnsiLowerCaseFollowsTheCodePage) {
  REQUIRE_WESTERN_CODE_PAGE();
  const struct {
    std::string text;
    std::string lower;
  } cases[] = {
      {"", ""},
      {"SetupInfo", "setupinfo"},
      {"LANGUAGE-ENGLISH.TXT", "language-english.txt"},
      {"C:\\DATA\\FILE 1.BIN", "c:\\data\\file 1.bin"},
      {"\xC0\xC9\xD6\xDE", "\xE0\xE9\xF6\xFE"},
      {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"},
      {"\xD7\xDF\xE9\x80", "\xD7\xDF\xE9\x80"},
      {"A\0B"s, "a\0b"s},
  };
  for (const auto& c : cases) EXPECT_EQ(AnsiLowerCase(c.text), c.lower) << c.text;
}

}  // namespace
}  // namespace setup::platform
