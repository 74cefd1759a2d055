#pragma once
// The GROUP:NAME=PATH arguments of "setupc pack".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace setup::setupc {

struct EntryArgument {
  uint16_t group = 0;
  std::string name;  // as typed; may hold "\"
  std::string path;  // the source file
};

// A decimal group number 0..65535: digits only, no sign.
std::optional<uint16_t> ParseGroup(std::string_view text);

// Splits at the first ':' and at the first '=' after it. nullopt with error set when
// the group is not a number in range, or the name or path is missing.
std::optional<EntryArgument> ParseEntryArgument(std::string_view text, std::string& error);

}  // namespace setup::setupc
