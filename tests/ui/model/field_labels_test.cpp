#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "ui/model/field_labels.h"

namespace setup {
namespace {

// The demo's folder page and variants: a caption that a screen reader would read for the
// wrong field, a label below or beside another column taken, a far label taken, or a tie
// resolved by something other than the file order, all show here.
TEST(FieldLabels, NearestLabelAboveOrLeftNamesTheField) {
  const std::vector<TAreaRect> labels = {
      {20, 20, 560, 36},    // 0: the page title
      {20, 304, 558, 320},  // 1: caption above the folder field
      {300, 400, 380, 416},  // 2: caption left of a field on its row
      {400, 430, 500, 446},  // 3: below the row's field
      {390, 380, 470, 396},  // 4: above the row's field, as near as 2 is to its left
  };
  struct Case {
    TAreaRect field;
    std::optional<size_t> label;
  } const cases[] = {
      {{20, 50, 558, 290}, 0},               // the tree: the title 14 above
      {{20, 324, 558, 345}, 1},              // the field: its caption 4 above, not the title
      {{384, 400, 470, 421}, 2},             // 4 from its left and from above: the earlier label
      {{600, 324, 700, 345}, std::nullopt},  // nothing above it across, nothing to its left
      {{20, 80, 100, 100}, std::nullopt},    // the title 44 above: too far
      {{20, 22, 300, 40}, std::nullopt},     // the title overlaps the field: no caption
  };
  std::vector<TAreaRect> fields;
  for (const Case& c : cases) fields.push_back(c.field);
  const std::vector<std::optional<size_t>> found = LabelsBeside(fields, labels, 32);
  ASSERT_EQ(found.size(), fields.size());
  for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(found[i], cases[i].label) << "field " << i;
}

}  // namespace
}  // namespace setup
