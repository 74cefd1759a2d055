// The command registry: the fixed id order stored in compiled scripts, and lookups.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <typeindex>
#include <typeinfo>

#include "script/command_list.h"
#include "script/commands/goto_command.h"
#include "script/commands/name_command.h"
#include "script/commands/out_file_command.h"
#include "script/commands/install_dir_command.h"
#include "script/commands/install_dir_reg_key_command.h"
#include "script/commands/if_file_exists_command.h"
#include "script/commands/file_command.h"
#include "script/commands/delete_command.h"
#include "script/commands/write_reg_str_command.h"
#include "script/commands/changelog_command.h"
#include "script/commands/kzp_update_command.h"
#include "script/commands/rm_dir_command.h"
#include "script/commands/create_directory_command.h"
#include "script/commands/create_short_cut_command.h"
#include "script/commands/message_command.h"
#include "script/commands/message_box_command.h"
#include "script/commands/copy_file_command.h"
#include "script/commands/language_command.h"
#include "script/commands/failure_command.h"
#include "script/commands/pages_command.h"
#include "script/commands/short_name_command.h"
#include "script/commands/uninstall_pages_command.h"
#include "script/commands/uninstall_language_command.h"
#include "script/commands/uninstall_prefix_command.h"
#include "script/commands/uninstall_log_load_command.h"
#include "script/commands/uninstall_log_save_command.h"
#include "script/commands/kzp_official_command.h"
#include "script/commands/duplicate_entry_command.h"
#include "script/commands/write_reg_str_url_command.h"
#include "script/commands/vfs_update_command.h"
#include "script/commands/rename_command.h"
#include "script/commands/execute_command.h"

namespace setup {
namespace {

// Fault: a command registered out of order, under a wrong keyword, header flag or
// group kind. Ids are stored in every package ever built, so this order is fixed.
TEST(CommandList, RegistersTheFixedIdTable) {
  const struct {
    int32_t id;
    const char* keyword;
    std::type_index type;
    bool isHeader;
    uint8_t groupKind;
  } table[] = {
      {1, "goto", typeid(TGotoCommand), false, 0},
      {2, "name", typeid(TNameCommand), true, 0},
      {3, "outfile", typeid(TOutFileCommand), true, 0},
      {4, "installdir", typeid(TInstallDirCommand), true, 0},
      {5, "installdirregkey", typeid(TInstallDirRegKeyCommand), true, 0},
      {6, "iffileexists", typeid(TIfFileExistsCommand), false, 0},
      {7, "file", typeid(TFileCommand), false, 1},
      {8, "delete", typeid(TDeleteCommand), false, 0},
      {9, "writeregstr", typeid(TWriteRegStrCommand), false, 0},
      {10, "changelog", typeid(TChangelogCommand), true, 0},
      {11, "kzpupdate", typeid(TKZPUpdateCommand), false, 2},
      {12, "rmdir", typeid(TRMDirCommand), false, 0},
      {13, "createdirectory", typeid(TCreateDirectoryCommand), false, 0},
      {14, "createshortcut", typeid(TCreateShortCutCommand), false, 0},
      {15, "message", typeid(TMessageCommand), false, 0},
      {16, "messagebox", typeid(TMessageBoxCommand), false, 0},
      {17, "copyfile", typeid(TCopyFileCommand), false, 0},
      {18, "language", typeid(TLanguageCommand), false, 0},
      {19, "failure", typeid(TFailureCommand), false, 0},
      {20, "pages", typeid(TPagesCommand), true, 0},
      {21, "shortname", typeid(TShortNameCommand), true, 0},
      {22, "uninstallpages", typeid(TUninstallPagesCommand), true, 0},
      {23, "uninstalllanguage", typeid(TUninstallLanguageCommand), false, 0},
      {24, "prefix", typeid(TUninstallPrefixCommand), true, 0},
      {25, "uninstalllogload", typeid(TUninstallLogLoadCommand), false, 0},
      {26, "uninstalllogsave", typeid(TUninstallLogSaveCommand), false, 0},
      {27, "kzpofficial", typeid(TKZPOfficialCommand), false, 0},
      {28, "duplicateentry", typeid(TDuplicateEntryCommand), false, 0},
      {29, "writeregstr_url", typeid(TWriteRegStr_URLCommand), false, 0},
      {30, "vfsupdate", typeid(TVFSUpdateCommand), false, 2},
      {31, "rename", typeid(TRenameCommand), false, 0},
      {32, "execute", typeid(TExecuteCommand), false, 0},
  };
  TCommandList list;
  RegisterCommands(list);
  ASSERT_EQ(list.Count(), std::size(table));
  for (const auto& row : table) {
    SCOPED_TRACE(row.keyword);
    const TCommandClass* command = list.CommandById(row.id);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(std::type_index(typeid(*command)), row.type);
    EXPECT_EQ(command->Name, row.keyword);
    EXPECT_EQ(command->IsHeader, row.isHeader);
    EXPECT_EQ(command->GroupKind(), row.groupKind);
    EXPECT_EQ(list.IdByKeyword(row.keyword), row.id);
  }
}

// Fault: an id of a line without a command, or beyond the registry, reaching past the
// array instead of being skipped; keywords matched case-sensitively.
TEST(CommandList, LookupsOutsideTheRegistryFindNothing) {
  TCommandList list;
  EXPECT_EQ(list.CommandById(1), nullptr);
  RegisterCommands(list);
  for (const int32_t id : {0, -1, INT32_MIN, 33, 1000, INT32_MAX}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(list.CommandById(id), nullptr);
  }
  const struct {
    const char* keyword;
    int32_t id;
  } keywords[] = {
      {"GoTo", 1}, {"EXECUTE", 32}, {"WriteRegStr_URL", 29}, {"writeregstr", 9},
      {"", 0},     {"go to", 0},    {"writeregstr_", 0},     {"gotoo", 0},
  };
  for (const auto& k : keywords) {
    SCOPED_TRACE(k.keyword);
    EXPECT_EQ(list.IdByKeyword(k.keyword), k.id);
  }
}

class PlainCommand final : public TCommandClass {
 public:
  explicit PlainCommand(const char* name) : TCommandClass(name, false) {}
};

// Fault: Add numbering from 1, a later duplicate keyword taking over an id, or the
// base class claiming a package group.
TEST(CommandList, AddNumbersFromZeroAndTheFirstKeywordKeepsItsId) {
  TCommandList list;
  EXPECT_EQ(list.Add(std::make_unique<PlainCommand>("first")), 0);
  EXPECT_EQ(list.Add(std::make_unique<PlainCommand>("second")), 1);
  EXPECT_EQ(list.Add(std::make_unique<PlainCommand>("First")), 2);
  EXPECT_EQ(list.CommandById(1)->Name, "first");
  EXPECT_EQ(list.CommandById(3)->Name, "First");
  EXPECT_EQ(list.IdByKeyword("FIRST"), 1);
  EXPECT_EQ(list.IdByKeyword("second"), 2);
  EXPECT_EQ(list.CommandById(2)->GroupKind(), kGroupKindNone);
}

}  // namespace
}  // namespace setup
