#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "test_support.h"
#include "text/integer_text.h"
#include "text/language.h"
#include "text/language_strings.h"
#include "text/languages.h"
#include "text/unicode_string_list.h"
#include "ui/model/caption.h"

namespace setup {
namespace {

using test::Bytes;
using test::ErrorOf;
using test::Utf16File;

std::vector<std::u16string> Split(const Bytes& b) {
  static const uint8_t kNone = 0;  // an empty buffer that is still there
  TUnicodeStringList list;
  list.LoadFromBuffer(b.empty() ? &kNone : b.data(), b.size());
  return list.Items();
}

TEST(UnicodeStringList, SplitsOnCrDropsBeforeLfAndIgnoresBomAndOddByte) {
  const struct { Bytes bytes; std::vector<std::u16string> expected; } cases[] = {
      {Utf16File(u"a\r\nb\r\n"), {u"a", u"b"}},  // a final CR LF adds no item
      {Utf16File(u"a\rb"), {u"a", u"b"}},        // CR alone ends a line
      {Utf16File(u"one\ntwo\nthree"), {u"three"}},  // LF alone drops the line so far
      {Bytes{0xFF, 0xFE, 'a', 0, 'b', 0, 'c'}, {u"ab"}},  // odd trailing byte ignored
      {Bytes{'Q', 0, 'a', 0}, {u"a"}},                     // the first two bytes are never text
      {Bytes{0xFF, 0xFE, 0xAC, 0x20, 0x0D, 0x00}, {u"\u20AC"}},  // low byte first
      {Bytes{}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Split(c.bytes), c.expected) << ::testing::PrintToString(c.bytes);

  TUnicodeStringList list;
  const Bytes two = Utf16File(u"a\rb");
  list.LoadFromBuffer(two.data(), two.size());
  list.LoadFromBuffer(two.data(), two.size());
  EXPECT_EQ(list.Count(), 2) << "a reload must clear the list first";
  EXPECT_EQ(ErrorOf([&] { list.Get(2); }), "List index out of bounds (2)");
}

TEST(IntegerText, DecimalOrDollarHexWithSignAndNothingElse) {
  const struct { std::string text; std::optional<int32_t> value; } cases[] = {
      {"-12", -12}, {"+7", 7}, {"-$10", -16}, {"$FFFFFFFF", -1}, {"-2147483648", INT32_MIN}, {"", {}},
      {"$", {}},    {" 1", {}}, {"0x10", {}},  {"$-1", {}},        {"2147483648", {}},        {"$100000000", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TryTextToInt(c.text), c.value) << c.text;
    EXPECT_EQ(TryTextToInt(std::u16string(c.text.begin(), c.text.end())), c.value) << c.text;
  }
}

TEST(LanguageFile, TextLinesParseNumberSeparatorAndText) {
  const struct { std::u16string line; uint16_t id; std::u16string text; } cases[] = {
      {u"13\tNext >", 13, u"Next >"},
      {u"  \t13  \t a  b \t ", 13, u"a  b"},  // trimmed at both ends, inner blanks kept
      {u"\"1\"2 x", 12, u"x"},
      {u"$1A hex", 26, u"hex"},
      {u"-1 x", 0xFFFF, u"x"},  // low 16 bits
  };
  for (const auto& c : cases) {
    const TLanguageString s = TLanguage::ParseTextLine(c.line);
    EXPECT_EQ(s.Id, c.id) << ::testing::PrintToString(c.line);
    EXPECT_EQ(s.Text, c.text) << ::testing::PrintToString(c.line);
  }
  // A blank inside quotes separates nothing, so the number takes it along.
  EXPECT_EQ(ErrorOf([] { TLanguage::ParseTextLine(u"\"1 2\" x"); }), "'1 2' is not a valid integer value");
}

TEST(LanguageFile, IdentifierLine) {
  const std::string notInteger = "'$' is not a valid integer value";
  const struct { std::u16string line; std::vector<uint16_t> ids; std::string error; } cases[] = {
      {u"0409", {0x0409}, ""},
      {u"0409;0809;", {0x0409, 0x0809}, ""},
      {u"10409;", {0x0409}, ""},
      {u"0409;0809", {}, notInteger},  // the last ";" missing
      {u"0409;;", {}, notInteger},
      {u"04G9;", {}, "'$04G9' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    std::vector<uint16_t> ids;
    EXPECT_EQ(ErrorOf([&] { ids = TLanguage::ParseLocales(c.line); }), c.error) << ::testing::PrintToString(c.line);
    EXPECT_EQ(ids, c.ids) << ::testing::PrintToString(c.line);
  }
}

TEST(LanguageFile, LoadsWholeFilesAndFailsOnBrokenOnes) {
  const Bytes good = Utf16File(u" English \r\n0409;0809;\r\n13 Next\r\n9 first\r\n26 \r\n9 second\r\n");
  TLanguage lang;
  EXPECT_EQ(lang.Name(), u"Untitled");
  lang.Load(good.data(), good.size());
  EXPECT_EQ(lang.Name(), u" English ");
  EXPECT_EQ(lang.Locales(), (std::vector<uint16_t>{0x0409, 0x0809}));
  EXPECT_EQ(lang.Strings().size(), 4u) << "one entry per text line, duplicates kept";
  EXPECT_EQ(lang.Find(9) ? *lang.Find(9) : u"null", u"first");
  EXPECT_EQ(lang.Find(26) ? *lang.Find(26) : u"null", u"");

  const struct { std::u16string file; std::string error; } broken[] = {
      {u"English\r\n0409\r\n13 Next\r\n\r\n", "'' is not a valid integer value"},  // empty last line
      {u"English\r\n0409\r\nNext 13\r\n", "'Next' is not a valid integer value"},
      {u"", "List index out of bounds (0)"},
  };
  for (const auto& c : broken) {
    const Bytes bytes = Utf16File(c.file);
    TLanguage fresh;
    EXPECT_EQ(ErrorOf([&] { fresh.Load(bytes.data(), bytes.size()); }), c.error) << ::testing::PrintToString(c.file);
    EXPECT_EQ(fresh.Name(), u"Untitled") << "a failed load changes nothing";
  }
}

class LanguagesTest : public ::testing::Test {
 protected:
  void Add(std::u16string_view file) {
    const Bytes bytes = Utf16File(file);
    set.Add(bytes.data(), bytes.size());
  }
  TLanguages set;
};

TEST_F(LanguagesTest, CurrentLanguageChoiceAndLookupWithoutOne) {
  EXPECT_EQ(set.Current, -1);
  EXPECT_EQ(set.GetString(13), u"NOT FOUND 13");
  EXPECT_EQ(set.ReplaceTags(u"<LANG13> <LANGx"), u"<LANG13> <LANGx");
  EXPECT_EQ(set.FindByLocale(0x0409), -1);

  Add(u"English\r\n0409;0809;\r\n13 Next\r\n");
  Add(u"Australian\r\n0c09;\r\n13 Onward\r\n");
  Add(u"Other\r\n0C09;\r\n");
  EXPECT_EQ(set.FindByLocale(0x0C09), 1);
  EXPECT_EQ(set.FindByLocale(0x0009), -1) << "the primary language alone must not match";
  set.SelectDefault(0x0C09);
  EXPECT_EQ(set.GetString(13), u"Onward");
  set.SelectDefault(0x0407);  // no match: the first language
  EXPECT_EQ(set.Current, 0);
  set.Current = 3;  // one past the last language
  EXPECT_EQ(set.GetString(13), u"NOT FOUND 13");

  EXPECT_THROW(Add(u"Broken\r\n"), SetupError);
  ASSERT_EQ(set.Languages().size(), 4u) << "the failed language stays in the set";
  EXPECT_EQ(set.Languages().back().Name(), u"Untitled");
}

TEST_F(LanguagesTest, ReplaceTagsExpandsNestedAndNewlyFormedTags) {
  Add(u"E\r\n0409\r\n1 one\r\n2 two<LANG1>\r\n3 <LANG\r\n4 NG2>\r\n5 \r\n26 Uninstall\r\n");
  set.Current = 0;
  const struct { std::u16string in, out; } cases[] = {
      {u"<LANG2>", u"twoone"},
      {u"[<LANG1>|<LANG$1A>|<LANG99>]", u"[one|Uninstall|NOT FOUND 99]"},
      {u"<LANG5>x", u"x"},
      {u"<lang1> <Lang1>", u"<lang1> <Lang1>"},  // tags are matched in exact case
      {u"<LANG3>1>", u"one"},                  // an inserted "<LANG" takes the ">" after it
      {u"<LA<LANG4>", u"twoone"},              // a tag formed with the text before it
      {u"<<LANG3>2>>", u"<twoone>"},
  };
  for (const auto& c : cases) EXPECT_EQ(set.ReplaceTags(c.in), c.out) << ::testing::PrintToString(c.in);

  EXPECT_EQ(ErrorOf([&] { set.ReplaceTags(u"ok <LANG1"); }), "'' is not a valid integer value");
  EXPECT_EQ(ErrorOf([&] { set.ReplaceTags(u"<LANG<LANG1>>"); }), "'<LANG1' is not a valid integer value");
}

TEST_F(LanguagesTest, SelfReferenceStopsAtTheDepthLimitAndBlowUpAtTheBudget) {
  Add(u"E\r\n0409\r\n40 a<LANG40>\r\n41 x<LANG42>\r\n42 y<LANG41>\r\n"
      u"44 <LANG44><LANG44><LANG44><LANG44><LANG44><LANG44><LANG44><LANG44>\r\n1 ab\r\n");
  set.Current = 0;
  const size_t depth = TLanguages::kMaxTagDepth;
  EXPECT_EQ(set.ReplaceTags(u"<LANG40>"), std::u16string(depth, u'a') + u"<LANG40>");
  std::u16string mutual;
  for (size_t i = 0; i < depth; ++i) mutual += (i % 2 == 0) ? u"x" : u"y";
  EXPECT_EQ(set.ReplaceTags(u"<LANG41>"), mutual + u"<LANG41>");
  // Eight tags a level would reach 8^16 texts; the insertion budget stops it.
  EXPECT_LE(set.ReplaceTags(u"<LANG44>").size(), TLanguages::kMaxInsertedChars + 64);

  // Many tags in a long text: a rescan from the start after each would take ~10^10 steps.
  std::u16string many;
  for (int i = 0; i < 100000; ++i) many += u"<LANG1>";
  const std::u16string expanded = set.ReplaceTags(many);
  ASSERT_EQ(expanded.size(), 200000u);
  EXPECT_EQ(expanded.substr(199996), u"abab");
}

TEST_F(LanguagesTest, CaptionExpansionRunsTagsThenLineBreaksThenLiveMacros) {
  Add(u"E\r\n0409\r\n1 Welcome to <%SetupTitle%><br>Size: <%SPACEREQ%><BR>\r\n");
  set.Current = 0;
  std::string title = "Game", space = "1.00 MB";
  TLanguageStrings macros;
  macros.Add("<%SETUPTITLE%>", &title);
  macros.Add("<%spacereq%>", &space);
  title = "Game 2";  // the value at expansion time counts, not the one at Add
  EXPECT_EQ(ExpandCaption(set, macros, u"<LANG1>!"), u"Welcome to Game 2\rSize: 1.00 MB\r!");
  // Pairs apply in registration order: a value may hold a later key, not an earlier one.
  std::string a = "<%B%>", b = "<%A%>";
  TLanguageStrings ordered;
  ordered.Add("<%A%>", &a);
  ordered.Add("<%B%>", &b);
  EXPECT_EQ(ordered.ApplyMacros(u"<%a%>|<%b%>"), u"<%A%>|<%A%>");
}

}  // namespace
}  // namespace setup
