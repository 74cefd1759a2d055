// The system code page through the Windows API, against the Windows-1252 table (an
// English Windows's and Wine's default); skipped on another code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace setup::platform {
namespace {

using namespace std::string_literals;

// Catches: the wrong code page (UTF-8 or OEM instead of ANSI), a length taken from a
// terminator instead of the view, a byte lost anywhere in the table, characters outside
// the code page dropped or turned into look-alikes instead of escapes, lower-casing of
// ASCII only or of bytes instead of characters (0x8A is S with caron, 0x9F Y with
// diaeresis, and escaped Cyrillic), and a change to characters that have no lower case.
TEST(Win32CodePage, ConvertsBothWaysAndLowerCasesByTheCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "the system code page is " << GetACP() << ", not 1252";
  const struct {
    std::string ansi;
    std::u16string wide;
  } cases[] = {
      {"", u""},
      {"caf\xE9 \x80\x8A\x9F\x85", u"caf\u00E9 \u20AC\u0160\u0178\u2026"},
      {"a\0b"s, u"a\0b"s},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AnsiToWide(c.ansi), c.wide) << c.ansi;
    EXPECT_EQ(WideToAnsi(c.wide), c.ansi) << c.ansi;
  }
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(AnsiToWide(all).size(), all.size());
  EXPECT_EQ(WideToAnsi(AnsiToWide(all)), all);
  EXPECT_EQ(WideToAnsi(u"A\u4E2D\u0416B\u0141"), "A?{4E2D}?{416}B?{141}");
  EXPECT_EQ(AnsiLowerCase(WideToAnsi(u"C:\\\u0418\u0413\u0420\u042B")), WideToAnsi(u"c:\\\u0438\u0433\u0440\u044B"));

  // Letters of every kind, then characters without a lower case, then past a NUL.
  EXPECT_EQ(AnsiLowerCase("C:\\FILE\xC0\xC9\xDE\x8A\x9F|\xD7\xDF\xE9\x80\0B"s),
            "c:\\file\xE0\xE9\xFE\x9A\xFF|\xD7\xDF\xE9\x80\0b"s);
}

}  // namespace
}  // namespace setup::platform
