#pragma once
// Which label names a field (an edit, a memo, a rich edit, the folder tree) for screen
// readers: layouts do not say, so the wizard takes the label an eye would read as the
// field's caption, the nearest one just above it or just left of it.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace setup {

struct TAreaRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// For each field, the index of its label among labels, or nullopt. A label names a field
// when it ends at most maxGap above the field's top (or reaches up to 2 pixels into it)
// and overlaps it horizontally, or ends at most maxGap left of it and overlaps it
// vertically; the smallest gap wins, an earlier label on equal gaps. Only a page's first
// 64 labels are looked at, so that a page with thousands of labels and fields costs
// linear time.
std::vector<std::optional<size_t>> LabelsBeside(std::span<const TAreaRect> fields, std::span<const TAreaRect> labels,
                                                int32_t maxGap);

}  // namespace setup
