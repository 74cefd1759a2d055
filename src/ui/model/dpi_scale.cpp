#include "ui/model/dpi_scale.h"

#include <algorithm>

namespace setup {

namespace {

constexpr int32_t kMinDpi = 24;
constexpr int32_t kMaxDpi = 960;
constexpr int32_t kMaxPoints = 2000;

// numerator * dpi / denominator rounded to the nearest integer, halves away from zero.
int64_t RoundedRatio(int64_t value, int64_t dpi, int64_t denominator) {
  const int64_t product = value * dpi;
  const int64_t half = denominator / 2;
  return product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
}

int32_t Saturate(int64_t value) { return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

}  // namespace

int32_t UsableDpi(int64_t dpi) {
  if (dpi <= 0) return kLayoutDpi;
  return static_cast<int32_t>(std::clamp<int64_t>(dpi, kMinDpi, kMaxDpi));
}

int32_t ScaleLength(int32_t value, int32_t dpi) {
  return Saturate(RoundedRatio(value, UsableDpi(dpi), kLayoutDpi));
}

int32_t ScaleSize(int32_t value, int32_t dpi) {
  if (value <= 0) return 0;
  return std::max(1, ScaleLength(value, dpi));
}

int32_t FontHeightAtDpi(int32_t points, int32_t dpi) {
  const int32_t clamped = std::clamp(points, -kMaxPoints, kMaxPoints);
  return -static_cast<int32_t>(RoundedRatio(clamped, UsableDpi(dpi), 72));
}

}  // namespace setup
