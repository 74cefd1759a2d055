#include "package/entry_path.h"

#include <array>
#include <cstdint>

namespace setup {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool EqualsUpper(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (AsciiUpper(text[i]) != upper[i]) return false;
  }
  return true;
}

// Windows opens a device for these base names whatever extension follows
// ("nul.txt", "Com1 .log"); the digits include the code page's superscripts 1, 2, 3.
bool IsDeviceName(std::string_view component) {
  std::string_view base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (EqualsUpper(base, device)) return true;
  }
  if (base.size() == 4 && (EqualsUpper(base.substr(0, 3), "COM") || EqualsUpper(base.substr(0, 3), "LPT"))) {
    const auto digit = static_cast<uint8_t>(base[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
  }
  return false;
}

// Windows drops trailing dots and spaces from a component, so ".. " is ".." to it.
bool OnlyDotsAndSpaces(std::string_view component) {
  return component.find_first_not_of(". ") == std::string_view::npos;
}

bool HasForbiddenCharacter(std::string_view component) {
  for (char c : component) {
    if (static_cast<uint8_t>(c) < 0x20) return true;
    switch (c) {
      case '<':
      case '>':
      case '"':
      case '|':
      case '?':
      case '*':
        return true;
      default:
        break;
    }
  }
  return false;
}

EntryPath Refuse(std::string reason) { return EntryPath{{}, std::move(reason)}; }

// Splits name at the separators; refusal(component) gives why a component is refused
// (empty: kept). The checks every target shares come first.
template <typename ComponentRefusal>
EntryPath Split(std::string_view name, const ComponentRefusal& refusal) {
  if (name.empty()) return Refuse("the name is empty");
  if (IsSeparator(name.front())) return Refuse("it is an absolute path");

  EntryPath result;
  size_t start = 0;
  for (;;) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    std::string_view component = name.substr(start, end - start);
    if (component.empty()) return Refuse("it has an empty folder or file name");
    if (std::string reason = refusal(component); !reason.empty()) return Refuse(std::move(reason));
    result.components.emplace_back(component);
    if (end == name.size()) break;
    start = end + 1;
  }
  return result;
}

}  // namespace

EntryPath SplitEntryPath(std::string_view name) {
  return Split(name, [](std::string_view component) -> std::string {
    if (component.find(':') != std::string_view::npos) return "it holds a drive or stream colon";
    if (OnlyDotsAndSpaces(component)) {
      return component == ".." ? "it climbs out of the target folder with \"..\""
                               : "it has a folder or file name made only of dots and spaces";
    }
    if (HasForbiddenCharacter(component)) return "it holds a character not allowed in file names";
    if (IsDeviceName(component)) return "it names a device (\"" + std::string(component) + "\")";
    return {};
  });
}

EntryPath SplitArchiveEntryPath(std::string_view name) {
  return Split(name, [](std::string_view component) -> std::string {
    if (component == "..") return "it climbs out of the archive's tree with \"..\"";
    if (component == ".") return "it has a folder or file name \".\"";
    if (component.find('\0') != std::string_view::npos) return "it holds a zero byte, which ends a name in an archive";
    return {};
  });
}

std::string JoinEntryPath(const std::vector<std::string>& components, char separator) {
  std::string path;
  for (const std::string& component : components) {
    if (!path.empty()) path += separator;
    path += component;
  }
  return path;
}

}  // namespace setup
