#pragma once
// The gradient gauge without its window: the properties with their setter rules, the
// percentage caption, the width of the filled bar and the colours of the gradient.
// The setters tell the window what to do next (paint at once, invalidate, rebuild the
// gradient), so that the rules are tested here and the window only obeys.

#include <cstdint>
#include <string>

namespace setup::ui {

enum class TggBorderStyle { ggSolid, ggRaised, ggLowered };

// What a setter asks of the window. Several may be set at once.
struct TGaugeUpdate {
  bool PaintNow = false;         // repaint without waiting for the window system
  bool Invalidate = false;       // repaint when the window system gets to it
  bool RebuildGradient = false;  // a gradient colour changed

  TGaugeUpdate& operator|=(const TGaugeUpdate& other) {
    PaintNow |= other.PaintNow;
    Invalidate |= other.Invalidate;
    RebuildGradient |= other.RebuildGradient;
    return *this;
  }
};

// Colours are 0x00BBGGRR.
inline constexpr uint32_t kGaugeDefaultBackcolor = 0xFFFFFF;
inline constexpr uint32_t kGaugeDefaultBorderColor = 0x876E5A;
inline constexpr uint32_t kGaugeDefaultColor = 0xD1AA94;
inline constexpr int kGaugeDefaultWidth = 200;
inline constexpr int kGaugeDefaultHeight = 40;
// The gradient bitmap is this much lower than the control.
inline constexpr int kGaugeGradientHeightLoss = 5;

// The properties. Invariants: Min < Max and Min <= Progress <= Max.
class TGaugeModel {
 public:
  TGaugeModel();  // the defaults, with the caption computed ("0%")

  int32_t Progress() const { return progress_; }
  int32_t Min() const { return min_; }
  int32_t Max() const { return max_; }
  bool Autocaption() const { return autocaption_; }
  const std::string& Caption() const { return caption_; }
  uint32_t Color1() const { return color1_; }
  uint32_t Color2() const { return color2_; }
  uint32_t Backcolor() const { return backcolor_; }
  uint32_t BorderColor() const { return borderColor_; }
  TggBorderStyle BorderStyle() const { return borderStyle_; }

  // Clamped to [Min, Max]; a change (or a pending forced refresh) recomputes the caption
  // and paints at once.
  TGaugeUpdate SetProgress(int32_t value);
  // Ignored unless the range stays non-empty; Progress is pulled into the new range.
  TGaugeUpdate SetMin(int32_t value);
  TGaugeUpdate SetMax(int32_t value);
  TGaugeUpdate SetAutocaption(bool value);
  TGaugeUpdate SetCaption(const std::string& value);
  TGaugeUpdate SetColor1(uint32_t value);
  TGaugeUpdate SetColor2(uint32_t value);
  TGaugeUpdate SetBackcolor(uint32_t value);
  TGaugeUpdate SetBorderColor(uint32_t value);
  TGaugeUpdate SetBorderStyle(TggBorderStyle value);

 private:
  // Sets Progress to itself with the caption recomputed.
  TGaugeUpdate ForceRefresh();

  int32_t progress_ = 0;
  int32_t min_ = 0;
  int32_t max_ = 100;
  bool autocaption_ = true;
  bool forceRefresh_ = false;
  std::string caption_;
  uint32_t color1_ = kGaugeDefaultColor;
  uint32_t color2_ = kGaugeDefaultColor;
  uint32_t backcolor_ = kGaugeDefaultBackcolor;
  uint32_t borderColor_ = kGaugeDefaultBorderColor;
  TggBorderStyle borderStyle_ = TggBorderStyle::ggSolid;
};

// numerator / denominator rounded to the nearest whole number, ties to the even one.
// denominator must be positive.
int64_t RoundHalfEven(int64_t numerator, int64_t denominator);

// The automatic caption: the truncated percentage of the way from min to max followed
// by "%"; "0%" when max / 100 is not above 0 (max not positive).
std::string GaugeCaptionText(int32_t progress, int32_t min, int32_t max);

// The bar's percentage: rounded, ties to even (so at two thirds the caption says 66
// and the bar covers 67 per cent). Always within [0, 100] for values in range.
int GaugeBarPercent(int32_t progress, int32_t min, int32_t max);

// The bar's width in pixels inside the border of a control width pixels wide.
int GaugeBarWidth(int width, int percent);

// The colour (0x00BBGGRR) of row y of a gradient height rows high that starts with
// color1 and heads for color2: each channel is first + round(y / height * (second -
// first)), ties to even, so row 0 is color1 and the last row stops short of color2.
uint32_t GradientRowColour(uint32_t color1, uint32_t color2, int y, int height);

}  // namespace setup::ui
