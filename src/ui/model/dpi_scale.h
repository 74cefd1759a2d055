#pragma once
// Layouts give positions, sizes and font sizes as seen on a 96-DPI screen ("100 %");
// the wizard shows them at the monitor's DPI. These are the rules for turning layout
// pixels into screen pixels, apart from any window.

#include <cstdint>

namespace setup {

inline constexpr int32_t kLayoutDpi = 96;

// The DPI to scale by: a failed query (0 or less) counts as 96, anything beyond what a
// monitor can have is held at 24 (a quarter) to 960 (ten times).
int32_t UsableDpi(int64_t dpi);

// A position or distance in layout pixels at the given DPI: value * dpi / 96, rounded to
// the nearest pixel, halves away from zero; never overflows (held at the int32 range).
int32_t ScaleLength(int32_t value, int32_t dpi);

// A width or height: as ScaleLength, but a negative size counts as 0 and a positive one
// never shrinks to nothing (a line one pixel high stays visible).
int32_t ScaleSize(int32_t value, int32_t dpi);

// The character height of a font of the given point size at the given DPI, negative as
// font requests take it (points * dpi / 72, rounded; sizes held at +-2000 points).
int32_t FontHeightAtDpi(int32_t points, int32_t dpi);

}  // namespace setup
