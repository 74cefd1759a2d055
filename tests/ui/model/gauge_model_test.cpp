// The gradient gauge's rules without a window: caption, bar, gradient and setters.
#include "ui/model/gauge_model.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace setup::ui {
namespace {

constexpr int32_t kLow = std::numeric_limits<int32_t>::min();
constexpr int32_t kHigh = std::numeric_limits<int32_t>::max();

// What an update asks for: P(aint now), I(nvalidate), G(radient rebuild).
std::string Asks(const TGaugeUpdate& u) {
  return std::string(u.PaintNow ? "P" : "") + (u.Invalidate ? "I" : "") + (u.RebuildGradient ? "G" : "");
}

// Catches: a rounded caption, an integer Max / 100 (which would give "0%" for Max = 3),
// overflow on the widest range, a negative Min.
TEST(GaugeCaption, TruncatedPercentageOrZeroWithoutPositiveMax) {
  const struct {
    int32_t progress, min, max;
    const char* expected;
  } cases[] = {{2, 0, 3, "66%"},         {3, 0, 3, "100%"},   {1, 0, 1, "100%"},
               {-50, -100, 100, "25%"}, {-50, -100, 0, "0%"}, {kHigh, kLow, kHigh, "100%"}};
  for (const auto& c : cases) {
    EXPECT_EQ(GaugeCaptionText(c.progress, c.min, c.max), c.expected)
        << c.progress << " in " << c.min << ".." << c.max;
  }
}

// Catches: the bar using the truncated caption percentage, ties not going to the even
// neighbour, a bar wider than the inside of the border, a negative width for tiny controls.
TEST(GaugeBar, RoundedPercentageOfTheInnerWidth) {
  const struct { int32_t progress, min, max; int percent, width, bar; } cases[] = {
      {2, 0, 3, 67, 200, 131}, {1, 0, 8, 12, 200, 23},              {3, 0, 8, 38, 200, 74},
      {100, 0, 100, 100, 200, 197}, {kHigh, kLow, kHigh, 100, 103, 100}, {50, 0, 100, 50, 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.progress << " in [" << c.min << ", " << c.max << "]");
    EXPECT_EQ(GaugeBarPercent(c.progress, c.min, c.max), c.percent);
    EXPECT_EQ(GaugeBarWidth(c.width, c.percent), c.bar);
  }
}

// Catches: a gradient that reaches Color2 on its last row, ties not going to the even
// neighbour (either sign), a channel mixed into its neighbour, negative quotients truncated.
TEST(GaugeGradient, RowsStartAtColor1AndStopShortOfColor2) {
  EXPECT_EQ(GradientRowColour(0xD1AA94, 0x102030, 0, 35), 0xD1AA94u);
  EXPECT_EQ(GradientRowColour(0x000000, 0xFFFFFF, 34, 35), 0xF8F8F8u);  // 247.7 -> 248
  EXPECT_EQ(GradientRowColour(0x000000, 0x000005, 1, 2), 0x000002u);    // 2.5 -> 2
  EXPECT_EQ(GradientRowColour(0x000000, 0x000700, 1, 2), 0x000400u);    // 3.5 -> 4
  EXPECT_EQ(GradientRowColour(0x0A0000, 0x050000, 1, 2), 0x080000u);    // 10 - 2.5 -> 8
  EXPECT_EQ(GradientRowColour(0x0A0000, 0x020000, 1, 3), 0x070000u);    // 10 - 2.67 -> 7
  EXPECT_EQ(GradientRowColour(0x00FF00, 0xFF0000, 1, 2), 0x807F00u);    // 127.5 -> 128, -127.5 -> -128
}

// Catches: a new gauge without "0%", no clamp, a repaint for an unchanged value, the
// caption not following.
TEST(GaugeModel, ProgressIsClampedAndPaintsOnlyOnChange) {
  TGaugeModel gauge;
  EXPECT_EQ(gauge.Caption(), "0%");
  gauge.SetMax(3);
  EXPECT_EQ(Asks(gauge.SetProgress(2)), "P");
  EXPECT_EQ(gauge.Caption(), "66%");
  EXPECT_EQ(Asks(gauge.SetProgress(2)), "");
  EXPECT_EQ(Asks(gauge.SetProgress(50)), "P");
  EXPECT_EQ(gauge.Progress(), 3);
  EXPECT_EQ(gauge.Caption(), "100%");
  gauge.SetProgress(-7);
  EXPECT_EQ(gauge.Progress(), 0);
  EXPECT_EQ(gauge.Caption(), "0%");
}

// Catches: an empty or inverted range accepted, Progress left outside the range, the
// caption not recomputed after the range moved.
TEST(GaugeModel, RangeChangesKeepTheInvariantsAndTheCaption) {
  TGaugeModel gauge;
  gauge.SetProgress(50);
  EXPECT_EQ(Asks(gauge.SetMin(100)), "");
  EXPECT_EQ(Asks(gauge.SetMax(0)), "");
  EXPECT_EQ(gauge.Max(), 100);
  EXPECT_EQ(Asks(gauge.SetMax(40)), "PI");
  EXPECT_EQ(gauge.Progress(), 40);
  EXPECT_EQ(gauge.Caption(), "100%");
  gauge.SetMin(20);  // Progress 40 stays: (40 - 20) / 20
  EXPECT_EQ(gauge.Progress(), 40);
  EXPECT_EQ(gauge.Caption(), "100%");
  gauge.SetMax(60);
  EXPECT_EQ(gauge.Caption(), "50%");
  gauge.SetMin(50);  // pulls Progress up
  EXPECT_EQ(gauge.Progress(), 50);
  EXPECT_EQ(gauge.Caption(), "0%");
}

// Catches: an automatic caption overwriting a manual one, the caption not recomputed
// when Autocaption comes back, a range change repainting at once without Autocaption.
TEST(GaugeModel, ManualCaptionStaysUntilAutocaptionReturns) {
  TGaugeModel gauge;
  EXPECT_EQ(Asks(gauge.SetAutocaption(false)), "I");
  EXPECT_EQ(Asks(gauge.SetCaption("Copying")), "P");
  EXPECT_EQ(Asks(gauge.SetCaption("Copying")), "");
  gauge.SetProgress(30);
  EXPECT_EQ(Asks(gauge.SetMax(20)), "I");
  EXPECT_EQ(gauge.Progress(), 20);
  EXPECT_EQ(gauge.Caption(), "Copying");
  EXPECT_EQ(Asks(gauge.SetAutocaption(true)), "PI");
  EXPECT_EQ(gauge.Caption(), "100%");
  // A caption set while Autocaption is on lasts until the next change of Progress.
  gauge.SetCaption("Done");
  EXPECT_EQ(gauge.Caption(), "Done");
  gauge.SetProgress(10);
  EXPECT_EQ(gauge.Caption(), "50%");
}

TEST(GaugeModel, ColourAndBorderSettersAskForTheRightRepaint) {
  TGaugeModel gauge;
  EXPECT_EQ(Asks(gauge.SetColor1(0x0000FF)), "IG");
  EXPECT_EQ(Asks(gauge.SetColor2(0x00FF00)), "IG");
  EXPECT_EQ(Asks(gauge.SetColor2(0x00FF00)), "");
  EXPECT_EQ(Asks(gauge.SetBackcolor(0x123456)), "I");
  EXPECT_EQ(Asks(gauge.SetBackcolor(0x123456)), "");
  EXPECT_EQ(Asks(gauge.SetBorderColor(0x123456)), "I");
  EXPECT_EQ(Asks(gauge.SetBorderStyle(TggBorderStyle::ggLowered)), "I");
  EXPECT_EQ(Asks(gauge.SetBorderStyle(TggBorderStyle::ggLowered)), "");
}

}  // namespace
}  // namespace setup::ui
