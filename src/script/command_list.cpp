#include "script/command_list.h"

#include <stdexcept>

#include "platform/codepage.h"
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
#include "script/commands/if_file_crc_command.h"

namespace setup {

int32_t TCommandList::Add(std::unique_ptr<TCommandClass> command) {
  if (!command) throw std::invalid_argument("TCommandList::Add: no command");
  const auto id = static_cast<int32_t>(commands_.size() + 1);
  keywordIndex_.emplace(platform::AnsiLowerCase(command->Name), id);
  commands_.push_back(std::move(command));
  return id - 1;
}

TCommandClass* TCommandList::CommandById(int32_t id) const {
  if (id <= 0 || static_cast<size_t>(id) > commands_.size()) return nullptr;
  return commands_[static_cast<size_t>(id) - 1].get();
}

int32_t TCommandList::IdByKeyword(std::string_view keyword) const {
  const auto it = keywordIndex_.find(platform::AnsiLowerCase(keyword));
  return it != keywordIndex_.end() ? it->second : 0;
}

void RegisterCommands(TCommandList& list) {
  // The order is the id table of compiled scripts: never reorder, only append.
  list.Add(std::make_unique<TGotoCommand>());
  list.Add(std::make_unique<TNameCommand>());
  list.Add(std::make_unique<TOutFileCommand>());
  list.Add(std::make_unique<TInstallDirCommand>());
  list.Add(std::make_unique<TInstallDirRegKeyCommand>());
  list.Add(std::make_unique<TIfFileExistsCommand>());
  list.Add(std::make_unique<TFileCommand>());
  list.Add(std::make_unique<TDeleteCommand>());
  list.Add(std::make_unique<TWriteRegStrCommand>());
  list.Add(std::make_unique<TChangelogCommand>());
  list.Add(std::make_unique<TKZPUpdateCommand>());
  list.Add(std::make_unique<TRMDirCommand>());
  list.Add(std::make_unique<TCreateDirectoryCommand>());
  list.Add(std::make_unique<TCreateShortCutCommand>());
  list.Add(std::make_unique<TMessageCommand>());
  list.Add(std::make_unique<TMessageBoxCommand>());
  list.Add(std::make_unique<TCopyFileCommand>());
  list.Add(std::make_unique<TLanguageCommand>());
  list.Add(std::make_unique<TFailureCommand>());
  list.Add(std::make_unique<TPagesCommand>());
  list.Add(std::make_unique<TShortNameCommand>());
  list.Add(std::make_unique<TUninstallPagesCommand>());
  list.Add(std::make_unique<TUninstallLanguageCommand>());
  list.Add(std::make_unique<TUninstallPrefixCommand>());
  list.Add(std::make_unique<TUninstallLogLoadCommand>());
  list.Add(std::make_unique<TUninstallLogSaveCommand>());
  list.Add(std::make_unique<TKZPOfficialCommand>());
  list.Add(std::make_unique<TDuplicateEntryCommand>());
  list.Add(std::make_unique<TWriteRegStr_URLCommand>());
  list.Add(std::make_unique<TVFSUpdateCommand>());
  list.Add(std::make_unique<TRenameCommand>());
  list.Add(std::make_unique<TExecuteCommand>());
  // Commands added in later versions: an older stub skips their lines as unknown.
  list.Add(std::make_unique<TIfFileCrcCommand>());
}

}  // namespace setup
