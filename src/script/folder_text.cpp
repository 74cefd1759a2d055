#include "script/folder_text.h"

#include "platform/codepage.h"

namespace setup {

// Checked on the characters themselves: a character the code page lacks is carried in
// the 8-bit text as an escape that holds "?", and names a folder like any other.
std::optional<std::string> FolderTextRefusal(std::string_view folder) {
  const std::u16string text = platform::AnsiToWide(folder);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x20) return std::string("it holds a control character");
    if (std::u16string_view(u"\"*<>?|").find(c) != std::u16string_view::npos) {
      return "it holds \"" + std::string(1, static_cast<char>(c)) + "\", which no folder name may hold";
    }
    if (c == u':' && i != 1) return std::string("it holds \":\" after the drive");
  }
  return std::nullopt;
}

}  // namespace setup
