#pragma once
// The command registry: one object per command class, numbered by registration order.
// A compiled line's CommandId k names the object registered k-th (index k - 1).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/command_class.h"

namespace setup {

class TCommandList {
 public:
  // Appends the command and returns its 0-based index; its id is that index + 1.
  // A keyword already registered keeps its first id in the keyword index.
  int32_t Add(std::unique_ptr<TCommandClass> command);

  // The command for id 1..Count(); nullptr for any other id (0 and negative ids mark
  // lines without a command, larger ones come from a damaged or newer script), so
  // that the caller skips such a line.
  TCommandClass* CommandById(int32_t id) const;

  // The id of a keyword, compared without regard to case; 0 when none is registered.
  int32_t IdByKeyword(std::string_view keyword) const;

  size_t Count() const { return commands_.size(); }

 private:
  std::vector<std::unique_ptr<TCommandClass>> commands_;
  std::unordered_map<std::string, int32_t> keywordIndex_;  // lower-case keyword -> id
};

// Adds one object of each command class in the fixed order that gives the ids stored
// in compiled scripts ("goto" = 1 ... "execute" = 32, then the
// additions: "iffilecrc" = 33). Called once, on an empty list.
void RegisterCommands(TCommandList& list);

}  // namespace setup
