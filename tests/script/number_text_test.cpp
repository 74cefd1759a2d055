#include "script/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace setup {
namespace {

// Catches: a unit chosen one step too early or too late at each boundary, the quotient
// rounded before the unit is chosen (1048575 must stay in KB), an overflow of the whole
// count for very large sizes (it would go negative or wrap into a unit above GB), and
// text that depends on the locale.
TEST(FormatSize, UnitsBoundariesAndLargeSizes) {
  const struct {
    int64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0.00 Bytes"},
      {1023, "1023.00 Bytes"},
      {1024, "1.00 KB"},
      {1152, "1.13 KB"},  // 1.125: the tie rounds away from zero
      {1048575, "1024.00 KB"},
      {1048576, "1.00 MB"},
      {5000000, "4.77 MB"},
      {1073741823, "1024.00 MB"},
      {1073741824, "1.00 GB"},
      {int64_t{1} << 40, "1024.00 GB"},
      {(int64_t{1} << 41) + (int64_t{1} << 29), "2048.50 GB"},
      {std::numeric_limits<int64_t>::max(), "8589934592.00 GB"},
      {-1, "-1.00 Bytes"},  // the free space of a drive that could not be queried
      {std::numeric_limits<int64_t>::min(), "-8589934592.00 GB"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatSize(c.bytes), c.text) << c.bytes;
}

// Known answers from an independent general-format conversion with 15 significant
// digits. Catches: the shortest round-trip text instead of 15 digits (sin 2 would show
// 16 digits and change the keys scrambled passwords are made with), a wrong rounding
// of the 15th digit, trailing zeros kept, the ".0" rule missing or applied twice, and
// the switch to scientific notation at the wrong place.
TEST(FloatToText, GeneralFormatWithFifteenDigits) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {std::sin(2.0), "0.909297426825682"},
      {std::sin(5.0), "-0.958924274663138"},
      {2.0 / 3.0, "0.666666666666667"},
      {0.1 + 0.2, "0.3"},
      {0.0, "0.0"},
      {-0.0, "0.0"},
      {1.0, "1.0"},
      {-2.5, "-2.5"},
      {123456789012345.0, "123456789012345.0"},
      {1e15, "1E15.0"},
      {0.00001, "0.00001"},
      {0.000001, "1E-6.0"},
      {1.5e-7, "1.5E-7"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToText(c.value), c.text) << c.text;
  EXPECT_EQ(FloatToText(std::numeric_limits<double>::quiet_NaN()), "NAN");
}

}  // namespace
}  // namespace setup
