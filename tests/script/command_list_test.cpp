// The command registry: the fixed id order stored in compiled scripts, and lookups.
#include "script/command_list.h"

#include <gtest/gtest.h>

#include <climits>

namespace setup {
namespace {

// Fault: a command registered out of order, under a wrong keyword, header flag or
// group kind. Ids are stored in every package ever built, so this order is fixed.
// (Each class names its own keyword, so the keyword also identifies the class.)
TEST(CommandList, RegistersTheFixedIdTable) {
  const struct {
    int32_t id;
    const char* keyword;
    bool isHeader;
    uint8_t groupKind;
  } table[] = {
      {1, "goto", false, 0},
      {2, "name", true, 0},
      {3, "outfile", true, 0},
      {4, "installdir", true, 0},
      {5, "installdirregkey", true, 0},
      {6, "iffileexists", false, 0},
      {7, "file", false, 1},
      {8, "delete", false, 0},
      {9, "writeregstr", false, 0},
      {10, "changelog", true, 0},
      {11, "kzpupdate", false, 2},
      {12, "rmdir", false, 0},
      {13, "createdirectory", false, 0},
      {14, "createshortcut", false, 0},
      {15, "message", false, 0},
      {16, "messagebox", false, 0},
      {17, "copyfile", false, 0},
      {18, "language", false, 0},
      {19, "failure", false, 0},
      {20, "pages", true, 0},
      {21, "shortname", true, 0},
      {22, "uninstallpages", true, 0},
      {23, "uninstalllanguage", false, 0},
      {24, "prefix", true, 0},
      {25, "uninstalllogload", false, 0},
      {26, "uninstalllogsave", false, 0},
      {27, "kzpofficial", false, 0},
      {28, "duplicateentry", false, 0},
      {29, "writeregstr_url", false, 0},
      {30, "vfsupdate", false, 2},
      {31, "rename", false, 0},
      {32, "execute", false, 0},
  };
  TCommandList list;
  RegisterCommands(list);
  ASSERT_EQ(list.Count(), std::size(table));
  for (const auto& row : table) {
    SCOPED_TRACE(row.keyword);
    const TCommandClass* command = list.CommandById(row.id);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->Name, row.keyword);
    EXPECT_EQ(command->IsHeader, row.isHeader);
    EXPECT_EQ(command->GroupKind(), row.groupKind);
    EXPECT_EQ(list.IdByKeyword(row.keyword), row.id);
  }
}

// Fault: an id of a line without a command, or beyond the registry, reaching past the
// array instead of being skipped; keywords matched case-sensitively or by prefix.
TEST(CommandList, LookupsOutsideTheRegistryFindNothing) {
  TCommandList list;
  EXPECT_EQ(list.CommandById(1), nullptr);
  RegisterCommands(list);
  for (const int32_t id : {0, -1, INT32_MIN, 33, INT32_MAX}) EXPECT_EQ(list.CommandById(id), nullptr) << id;
  const struct {
    const char* keyword;
    int32_t id;
  } keywords[] = {{"GoTo", 1}, {"WriteRegStr_URL", 29}, {"", 0}, {"writeregstr_", 0}, {"gotoo", 0}};
  for (const auto& k : keywords) EXPECT_EQ(list.IdByKeyword(k.keyword), k.id) << k.keyword;
}

}  // namespace
}  // namespace setup
