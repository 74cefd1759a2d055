#include "ui/model/gauge_model.h"

#include <algorithm>

namespace setup::ui {

namespace {

constexpr TGaugeUpdate kNothing{};
constexpr TGaugeUpdate kPaintNow{true, false, false};
constexpr TGaugeUpdate kInvalidate{false, true, false};
constexpr TGaugeUpdate kNewGradient{false, true, true};

// One colour channel (0..255) of a 0x00BBGGRR colour.
int Channel(uint32_t colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); }

}  // namespace

int64_t RoundHalfEven(int64_t numerator, int64_t denominator) {
  // Floor division first, so that the remainder is never negative.
  int64_t quotient = numerator / denominator;
  int64_t remainder = numerator % denominator;
  if (remainder < 0) {
    --quotient;
    remainder += denominator;
  }
  const int64_t twice = remainder * 2;
  if (twice > denominator || (twice == denominator && quotient % 2 != 0)) ++quotient;
  return quotient;
}

std::string GaugeCaptionText(int32_t progress, int32_t min, int32_t max) {
  // Max / 100 is taken as a real number: any positive Max gives a percentage.
  if (max <= 0 || max <= min) return "0%";
  // Exact integer arithmetic: a whole range shows 100, never 99 through rounding of
  // the hundredth of the range.
  const int64_t done = static_cast<int64_t>(progress) - min;
  const int64_t range = static_cast<int64_t>(max) - min;
  return std::to_string(done * 100 / range) + "%";
}

int GaugeBarPercent(int32_t progress, int32_t min, int32_t max) {
  if (max <= min) return 0;
  const int64_t done = static_cast<int64_t>(progress) - min;
  const int64_t range = static_cast<int64_t>(max) - min;
  return static_cast<int>(std::clamp<int64_t>(RoundHalfEven(done * 100, range), 0, 100));
}

int GaugeBarWidth(int width, int percent) {
  if (width <= 3) return 0;
  return (width - 3) * std::clamp(percent, 0, 100) / 100;
}

uint32_t GradientRowColour(uint32_t color1, uint32_t color2, int y, int height) {
  if (height <= 0) return color1 & 0xFFFFFF;
  uint32_t colour = 0;
  for (int shift : {0, 8, 16}) {
    const int first = Channel(color1, shift);
    const int difference = Channel(color2, shift) - first;
    const int64_t value = first + RoundHalfEven(static_cast<int64_t>(y) * difference, height);
    colour |= static_cast<uint32_t>(std::clamp<int64_t>(value, 0, 255)) << shift;
  }
  return colour;
}

TGaugeModel::TGaugeModel() : caption_(GaugeCaptionText(progress_, min_, max_)) {}

TGaugeUpdate TGaugeModel::SetProgress(int32_t value) {
  value = std::clamp(value, min_, max_);
  if (value == progress_ && !forceRefresh_) return kNothing;
  progress_ = value;
  if (autocaption_) caption_ = GaugeCaptionText(progress_, min_, max_);
  forceRefresh_ = false;
  return kPaintNow;
}

TGaugeUpdate TGaugeModel::ForceRefresh() {
  forceRefresh_ = true;
  return SetProgress(progress_);
}

TGaugeUpdate TGaugeModel::SetMin(int32_t value) {
  if (value == min_ || value >= max_) return kNothing;
  min_ = value;
  if (value > progress_) progress_ = value;
  TGaugeUpdate update = kInvalidate;
  if (autocaption_) update |= ForceRefresh();
  return update;
}

TGaugeUpdate TGaugeModel::SetMax(int32_t value) {
  if (value == max_ || value <= min_) return kNothing;
  max_ = value;
  if (value < progress_) progress_ = value;
  TGaugeUpdate update = kInvalidate;
  if (autocaption_) update |= ForceRefresh();
  return update;
}

TGaugeUpdate TGaugeModel::SetAutocaption(bool value) {
  if (value == autocaption_) return kNothing;
  autocaption_ = value;
  TGaugeUpdate update = kInvalidate;
  if (value) update |= ForceRefresh();
  return update;
}

namespace {

// A plain property: a new value is stored and asks for the given update; the same value
// asks for nothing.
template <typename T>
TGaugeUpdate Store(T& field, const T& value, TGaugeUpdate update) {
  if (value == field) return kNothing;
  field = value;
  return update;
}

}  // namespace

TGaugeUpdate TGaugeModel::SetCaption(const std::string& value) { return Store(caption_, value, kPaintNow); }

TGaugeUpdate TGaugeModel::SetColor1(uint32_t value) { return Store(color1_, value, kNewGradient); }

TGaugeUpdate TGaugeModel::SetColor2(uint32_t value) { return Store(color2_, value, kNewGradient); }

TGaugeUpdate TGaugeModel::SetBackcolor(uint32_t value) { return Store(backcolor_, value, kInvalidate); }

TGaugeUpdate TGaugeModel::SetBorderColor(uint32_t value) { return Store(borderColor_, value, kInvalidate); }

TGaugeUpdate TGaugeModel::SetBorderStyle(TggBorderStyle value) { return Store(borderStyle_, value, kInvalidate); }

}  // namespace setup::ui
