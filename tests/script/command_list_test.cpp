// The command registry (the fixed id order stored in compiled scripts, and lookups), the
// group table built from a compiled script and the space its groups need.
#include "script/command_list.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "package/pak.h"
#include "script/group_kinds.h"
#include "test_support.h"

namespace setup {
namespace {

// Ids are stored in every package ever built, so this order is fixed (additions such
// as "iffilecrc" = 33 are appended). Lookups outside
// the registry find nothing; keywords match without case, never by prefix.
TEST(CommandList, RegistersTheFixedIdTableAndLooksUpOnlyWhatItHolds) {
  // The keywords of ids 1, 2, ... in order.
  std::istringstream keywords(
      "goto name outfile installdir installdirregkey iffileexists file delete writeregstr changelog "
      "kzpupdate rmdir createdirectory createshortcut message messagebox copyfile language failure pages "
      "shortname uninstallpages uninstalllanguage prefix uninstalllogload uninstalllogsave kzpofficial "
      "duplicateentry writeregstr_url vfsupdate rename execute iffilecrc");
  const std::string headers =
      " name outfile installdir installdirregkey changelog pages shortname uninstallpages prefix ";
  const std::map<std::string, uint8_t> groupKinds = {{"file", 1}, {"kzpupdate", 2}, {"vfsupdate", 2}};
  TCommandList list;
  EXPECT_EQ(list.CommandById(1), nullptr);
  RegisterCommands(list);
  int32_t id = 0;
  for (std::string keyword; keywords >> keyword;) {
    SCOPED_TRACE(keyword);
    const TCommandClass* command = list.CommandById(++id);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->Name, keyword);  // each class names its own keyword
    EXPECT_EQ(command->IsHeader, headers.find(" " + keyword + " ") != std::string::npos);
    EXPECT_EQ(command->GroupKind(), groupKinds.contains(keyword) ? groupKinds.at(keyword) : 0);
    EXPECT_EQ(list.IdByKeyword(keyword), id);
  }
  EXPECT_EQ(list.Count(), 33u);
  for (const int32_t bad : {0, -1, INT32_MIN, 34, INT32_MAX}) EXPECT_EQ(list.CommandById(bad), nullptr);
  const std::map<std::string, int32_t> lookups = {
      {"GoTo", 1}, {"WriteRegStr_URL", 29}, {"", 0}, {"writeregstr_", 0}, {"gotoo", 0}};
  for (const auto& [keyword, expected] : lookups) EXPECT_EQ(list.IdByKeyword(keyword), expected) << keyword;
}

// Fault: kinds mapped to the wrong element, lines without a registered command adding
// groups (every later group would shift), group 0's element missing.
TEST(GroupKinds, OneElementPerGroupLineAfterGroupZero) {
  TCommandList commands;
  RegisterCommands(commands);
  const auto kindsOf = [&](const std::vector<int32_t>& ids) {
    TCompLines lines;
    for (const int32_t id : ids)
      lines.Add({id, {"param"}, 0, id > 0 ? static_cast<int32_t>(lines.Count()) : -1});
    return BuildGroupKinds(lines, commands);
  };
  EXPECT_EQ(kindsOf({}), std::vector<uint8_t>{0});
  EXPECT_EQ(kindsOf({-1, 2, 7, 15, 11, 0, 18, 30, 7, 99, 33, -5, 10, 17, 24, 7}),
            (std::vector<uint8_t>{0, 0, 1, 1, 0, 0}));
}

// Fault: a group counted by the other size, raw entries (stored size 0) counted as
// nothing, group 0 or groups beyond the table counted, group 0's element used.
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

  EXPECT_EQ(RequiredSpace(pak, {0}), 0);
  EXPECT_EQ(RequiredSpace(pak, {0, 1, 0}), stored(1) + 300 + 6000 + 400);
  EXPECT_EQ(RequiredSpace(pak, {1, 0, 1, 0}), 5000 + 300 + stored(3) + 400 + 7000);
}

}  // namespace
}  // namespace setup
