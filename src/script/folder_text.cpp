#include "script/folder_text.h"

namespace setup {

std::optional<std::string> FolderTextRefusal(std::string_view folder) {
  for (size_t i = 0; i < folder.size(); ++i) {
    const char c = folder[i];
    if (static_cast<unsigned char>(c) < 0x20) return std::string("it holds a control character");
    if (c == '?') return std::string("it holds \"?\", or a character the system's code page cannot represent");
    if (std::string_view("\"*<>|").find(c) != std::string_view::npos) {
      return "it holds \"" + std::string(1, c) + "\", which no folder name may hold";
    }
    if (c == ':' && i != 1) return std::string("it holds \":\" after the drive");
  }
  return std::nullopt;
}

}  // namespace setup
