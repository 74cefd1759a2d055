// The digit-key shift: modulo-256 wrap both ways, the key restarting at its first digit
// for every call and wrapping after its last, and the defined behaviour of odd keys.
#include "package/string_scramble.h"

#include <gtest/gtest.h>

#include <string>

namespace setup {
namespace {

TEST(StringScramble, ShiftsEachCharacterByTheNextKeyDigit) {
  struct Case {
    std::string key, plain, scrambled;
  };
  const Case cases[] = {
      {"9", "\xFA", "\x03"},  // 250 + 9 wraps to 3
      {"12", std::string("\xFF\xFE\x00", 3), std::string("\x00\x00\x01", 3)},
      {"0123456789", "aaaaaaaaaaaa", "abcdefghijab"},  // wraps to the first digit
      {"3141", "C:\\ab", "\x46\x3B\x60\x62\x65"},      // the example in docs/install-log.md
      {"7", "", ""},
      {"", "abc", "abc"},     // an empty key leaves the text alone
      {"1x2", "aaa", "bac"},  // a non-digit key character shifts by 0
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeString(c.key, c.plain), c.scrambled) << c.key;
    EXPECT_EQ(DecodeString(c.key, c.scrambled), c.plain) << c.key;
  }
  // A second call starts at the first digit again, not where the last one stopped.
  EXPECT_EQ(EncodeString("123", "a"), "b");
  EXPECT_EQ(EncodeString("123", "a"), "b");
}

TEST(StringScramble, EveryByteValueSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  for (const char* key : {"9", "0123456789", "90"}) {
    EXPECT_EQ(DecodeString(key, EncodeString(key, all)), all) << key;
  }
  static_assert(IsDigitKey("0123456789") && !IsDigitKey("") && !IsDigitKey("12a") && !IsDigitKey("1 2"));
}

}  // namespace
}  // namespace setup
