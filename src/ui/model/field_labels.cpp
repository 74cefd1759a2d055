#include "ui/model/field_labels.h"

#include <algorithm>

namespace setup {

namespace {

constexpr int32_t kReachInto = 2;
constexpr size_t kMaxLabels = 64;

bool Overlap(int32_t aStart, int32_t aEnd, int32_t bStart, int32_t bEnd) { return aStart < bEnd && bStart < aEnd; }

// The gap between a label and the field it would name, or -1 when it names no field.
int64_t GapTo(const TAreaRect& label, const TAreaRect& field, int32_t maxGap) {
  int64_t best = -1;
  if (label.Top < field.Top && label.Bottom <= int64_t{field.Top} + kReachInto &&
      Overlap(label.Left, label.Right, field.Left, field.Right)) {
    best = std::max<int64_t>(0, int64_t{field.Top} - label.Bottom);
  }
  if (label.Left < field.Left && label.Right <= int64_t{field.Left} + kReachInto &&
      Overlap(label.Top, label.Bottom, field.Top, field.Bottom)) {
    const int64_t gap = std::max<int64_t>(0, int64_t{field.Left} - label.Right);
    if (best < 0 || gap < best) best = gap;
  }
  return best <= maxGap ? best : -1;
}

}  // namespace

std::vector<std::optional<size_t>> LabelsBeside(std::span<const TAreaRect> fields, std::span<const TAreaRect> labels,
                                                int32_t maxGap) {
  std::vector<std::optional<size_t>> found(fields.size());
  const size_t looked = std::min(labels.size(), kMaxLabels);
  for (size_t f = 0; f < fields.size(); ++f) {
    int64_t bestGap = 0;
    for (size_t l = 0; l < looked; ++l) {
      const int64_t gap = GapTo(labels[l], fields[f], maxGap);
      if (gap >= 0 && (!found[f] || gap < bestGap)) {
        found[f] = l;
        bestGap = gap;
      }
    }
  }
  return found;
}

}  // namespace setup
