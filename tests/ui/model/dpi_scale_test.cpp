#include <gtest/gtest.h>

#include <cstdint>

#include "ui/model/dpi_scale.h"

namespace setup {
namespace {

// Layout pixels at 100 %, 125 %, 150 % and 200 %: a wrong rounding shifts controls by a
// pixel against their neighbours, a size that reaches 0 makes a line vanish, and an
// overflow would wrap a far-off control onto the page.
TEST(DpiScale, LengthsSizesAndFontsFollowTheDpi) {
  struct Case {
    int32_t value, dpi, length, size;
  } const cases[] = {
      {578, 96, 578, 578},   {578, 144, 867, 867},  {578, 192, 1156, 1156}, {73, 144, 110, 110},
      {1, 120, 1, 1},        {1, 144, 2, 2},        {3, 120, 4, 4},         {1, 48, 1, 1},
      {1, 24, 0, 1},         {-4, 144, -6, 0},      {-3, 144, -5, 0},       {0, 192, 0, 0},
      {INT32_MAX, 192, INT32_MAX, INT32_MAX},       {INT32_MIN, 192, INT32_MIN, 0},
      // A DPI the system could not give counts as 96; an absurd one is held.
      {100, 0, 100, 100},    {100, -144, 100, 100}, {100, 100000, 1000, 1000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScaleLength(c.value, c.dpi), c.length) << c.value << " at " << c.dpi;
    EXPECT_EQ(ScaleSize(c.value, c.dpi), c.size) << c.value << " at " << c.dpi;
  }
  struct Font {
    int32_t points, dpi, height;
  } const fonts[] = {{8, 96, -11}, {8, 144, -16}, {8, 192, -21}, {12, 120, -20}, {-8, 96, 11}, {99999, 96, -2667}};
  for (const Font& f : fonts) EXPECT_EQ(FontHeightAtDpi(f.points, f.dpi), f.height) << f.points << " at " << f.dpi;
  EXPECT_EQ(UsableDpi(int64_t{1} << 40), 960);
}

}  // namespace
}  // namespace setup
