// The group table built from a compiled script, and the space its groups need.
#include "script/group_kinds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/pak.h"
#include "test_support.h"

namespace setup {
namespace {

TCompLines LinesWithIds(const std::vector<int32_t>& ids) {
  TCompLines lines;
  for (const int32_t id : ids) {
    const auto position = static_cast<int32_t>(lines.Count());
    lines.Add({id, {"param"}, 0, id > 0 ? position : -1});
  }
  return lines;
}

// Fault: kinds 1 and 2 mapped to the wrong element, lines without a command or with
// an unregistered id adding groups (every later group would shift), or a missing
// element for group 0.
TEST(GroupKinds, OneElementPerGroupLineAfterGroupZero) {
  TCommandList commands;
  RegisterCommands(commands);
  const struct {
    const char* what;
    std::vector<int32_t> ids;
    std::vector<uint8_t> kinds;
  } cases[] = {
      {"empty script", {}, {0}},
      {"mixed", {-1, 2, 7, 15, 11, 0, 18, 30, 7, 99, 33, -5, 10, 17, 24, 7}, {0, 0, 1, 1, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(BuildGroupKinds(LinesWithIds(c.ids), commands), c.kinds);
  }
}

// Fault: extracted groups counted by stored size or archive groups by unpacked size,
// raw entries (stored size 0) counted as nothing, group 0 or groups beyond the table
// counted, or a group-0 element of 1 changing anything.
TEST(GroupKinds, RequiredSpaceCountsEachGroupAsItsElementSays) {
  const test::RawPackage raw = test::BuildRawPackage({
      {"SetupInfo", 0, test::CompressibleBytes(1000, 1), true},
      {"a.txt", 1, test::CompressibleBytes(5000, 2), true},
      {"b.bin", 1, test::RandomBytes(300, 3), false},
      {"data.kzp", 2, test::CompressibleBytes(6000, 4), true},
      {"raw.bin", 2, test::RandomBytes(400, 5), false},
      {"empty.dat", 2, {}, true},
      {"later.txt", 3, test::CompressibleBytes(7000, 6), true},
      {"beyond.bin", 9, test::RandomBytes(800, 7), false},
  });
  const auto stored = [&](size_t i) { return static_cast<int64_t>(raw.records[i].storedSize); };
  ASSERT_TRUE(stored(1) > 0 && stored(1) < 5000 && stored(3) > 0 && stored(3) < 6000);

  test::TempDir dir;
  test::WriteFileBytes(dir.Path("setup.pak"), raw.bytes);
  TPak pak;
  ASSERT_TRUE(pak.Create(dir.Path("setup.pak")));

  const struct {
    std::vector<uint8_t> kinds;
    int64_t space;
  } cases[] = {
      {{0}, 0},
      {{0, 1, 0}, stored(1) + 300 + 6000 + 400},
      {{0, 0, 1, 0}, 5000 + 300 + stored(3) + 400 + 7000},
      {{1, 0, 0, 0}, 5000 + 300 + 6000 + 400 + 7000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.kinds));
    EXPECT_EQ(RequiredSpace(pak, c.kinds), c.space);
  }
}

}  // namespace
}  // namespace setup
