#include "base/text_replace.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

TEST(ReplaceAll, RescansSoThatNeighboursFormingThePatternAreReplacedToo) {
  struct Case { std::string text, pattern, replacement, expected; };
  const Case cases[] = {
      {"C:\\Game\\\\bin\\\\\\a.exe", "\\\\", "\\", "C:\\Game\\bin\\a.exe"},  // runs collapse to one
      {"$instdir\\a $INSTDIR\\b $InstDir", "$INSTDIR", "C:\\G", "C:\\G\\a C:\\G\\b C:\\G"},  // ASCII folding
      {"aXbXc", "x", "", "abc"},
      {"text", "", "x", "text"},  // an empty pattern never matches
      {"aab", "ab", "b", "b"},    // "aab" -> "ab" -> "b": the rescan finds the new match
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.pattern, c.replacement), c.expected) << c.text;
  }
  // Only A to Z fold: an accented capital does not match its small letter.
  EXPECT_EQ(ReplaceAll(std::u16string(u"\u00C9t\u00E9"), u"\u00E9", u"e"), u"\u00C9te");
}

// A value that holds its own variable name would be replaced forever by a plain rescan.
TEST(ReplaceAll, TerminatesWhenTheReplacementContainsThePattern) {
  EXPECT_EQ(ReplaceAll(std::string("$INSTDIR\\a;$instdir\\b"), "$INSTDIR", "$INSTDIR\\sub"),
            "$INSTDIR\\sub\\a;$INSTDIR\\sub\\b");
  EXPECT_EQ(ReplaceAll(std::u16string(u"%PATH%"), u"%path%", u"x;%PATH%;y"), u"x;%PATH%;y");
}

// 200,000 backslashes collapse to one; a rescan from the very start each time would
// take billions of steps.
TEST(ReplaceAll, LongRunsStayFast) {
  EXPECT_EQ(ReplaceAll(std::string(200000, '\\'), "\\\\", "\\"), "\\");
}

}  // namespace
}  // namespace setup
