// The digit-key shift: modulo-256 wrap both ways, the key restarting at its first digit
// for every call and wrapping after its last, and the defined behaviour of odd keys.
#include "package/string_scramble.h"

#include <gtest/gtest.h>

#include <string>

namespace setup {
namespace {

// Catches: no wrap at 256 either way, a key that does not wrap to its first digit, an
// empty or non-digit key that fails instead of shifting by nothing, a byte value lost.
TEST(StringScramble, ShiftsEachCharacterByTheNextKeyDigit) {
  struct Case {
    std::string key, plain, scrambled;
  };
  const Case cases[] = {
      {"12", std::string("\xFF\xFE\x00", 3), std::string("\x00\x00\x01", 3)},  // 255 + 1 wraps to 0
      {"0123456789", "aaaaaaaaaaaa", "abcdefghijab"},                          // wraps to the first digit
      {"3141", "C:\\ab", "\x46\x3B\x60\x62\x65"},  // the example in docs/install-log.md
      {"", "abc", "abc"},                          // an empty key leaves the text alone
      {"1x2", "aaa", "bac"},                       // a non-digit key character shifts by 0
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeString(c.key, c.plain), c.scrambled) << c.key;
    EXPECT_EQ(DecodeString(c.key, c.scrambled), c.plain) << c.key;
  }
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(DecodeString("90", EncodeString("90", all)), all);
}

}  // namespace
}  // namespace setup
