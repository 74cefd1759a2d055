#include "setupc/entry_argument.h"

namespace setup::setupc {

std::optional<uint16_t> ParseGroup(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value > 65535) return std::nullopt;
  return static_cast<uint16_t>(value);
}

std::optional<EntryArgument> ParseEntryArgument(std::string_view text, std::string& error) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    error = "expected GROUP:NAME=PATH";
    return std::nullopt;
  }
  const size_t equals = text.find('=', colon + 1);
  if (equals == std::string_view::npos) {
    error = "expected GROUP:NAME=PATH (no '=' after the name)";
    return std::nullopt;
  }
  EntryArgument parsed;
  std::optional<uint16_t> group = ParseGroup(text.substr(0, colon));
  if (!group) {
    error = "the group must be a decimal number from 0 to 65535";
    return std::nullopt;
  }
  parsed.group = *group;
  parsed.name = std::string(text.substr(colon + 1, equals - colon - 1));
  parsed.path = std::string(text.substr(equals + 1));
  if (parsed.name.empty()) {
    error = "the entry name is empty";
    return std::nullopt;
  }
  if (parsed.path.empty()) {
    error = "the source path is empty";
    return std::nullopt;
  }
  return parsed;
}

}  // namespace setup::setupc
