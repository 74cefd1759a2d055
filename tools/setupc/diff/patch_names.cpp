#include "setupc/diff/patch_names.h"

#include <array>
#include <string_view>

#include "platform/codepage.h"
#include "setupc/local_files.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

constexpr size_t kMaxEntryName = 0xFFFF;  // what a package's table holds
constexpr size_t kMaxComponent = 255;     // bytes of one file name on the disk

// The path variables the setup replaces (docs/script-variables.md), upper case.
constexpr std::array<std::string_view, 8> kVariables = {"INSTDIR",  "INSTALLDIR", "SMPROGRAMS", "PROGRAMFILES",
                                                        "APPDATA",  "DESKTOP",    "CDDRIVE",    "LANGUAGESELECTION"};

bool HasControl(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return false;
}

// The code-page text as the script compiler reads it back from UTF-8; nullopt when a
// character has no form there.
std::optional<std::string> AnsiFromUtf8(const std::string& utf8) {
  const std::optional<std::u16string> wide = Utf8ToUtf16(utf8);
  if (!wide) return std::nullopt;
  return platform::WideToCodePage(*wide);
}

}  // namespace

std::string PayloadNameProblem(const std::string& name) {
  if (name.empty()) return "empty name";
  if (name.size() > kMaxEntryName) return "name longer than 65,535 bytes";
  if (name.find(':') != std::string::npos) return "\":\" in the name";
  if (name.find('/') != std::string::npos) return "\"/\" in the name";
  if (HasControl(name)) return "control character in the name";
  for (size_t start = 0;;) {
    const size_t end = std::min(name.find('\\', start), name.size());
    const std::string component = name.substr(start, end - start);
    if (component.empty()) return "empty folder or file name in the name";
    if (component == "." || component == "..") return "\"" + component + "\" in the name";
    if (AnsiToNative(component).size() > kMaxComponent) return "folder or file name longer than 255 bytes";
    if (end == name.size()) break;
    start = end + 1;
  }
  // compile turns the file's name on the disk back into the code page.
  const std::optional<std::string> back = ArgumentToAnsi(AnsiToNative(name));
  if (!back || *back != name) return "name that a file name on this disk cannot carry";
  return {};
}

std::string ExpansionProblem(const std::string& path) {
  const std::string upper = [&] {
    std::string text = path;
    for (char& c : text) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
  }();
  for (size_t dollar = upper.find('$'); dollar != std::string::npos; dollar = upper.find('$', dollar + 1)) {
    for (std::string_view variable : kVariables) {
      if (upper.compare(dollar + 1, variable.size(), variable) == 0) {
        return "\"$" + std::string(variable) + "\" in the path, which the setup would replace";
      }
    }
  }
  const size_t first = path.find('%');
  if (first != std::string::npos) {
    for (size_t at = first, next = path.find('%', at + 1); next != std::string::npos;
         at = next, next = path.find('%', at + 1)) {
      if (next > at + 1) return "\"%NAME%\" in the path, which the setup would replace";
    }
  }
  return {};
}

std::optional<std::string> ScriptParameter(const std::string& ansi) {
  if (HasControl(ansi)) return std::nullopt;
  const std::string utf8 = AnsiToUtf8(ansi);
  const std::optional<std::string> back = AnsiFromUtf8(utf8);
  if (!back || *back != ansi) return std::nullopt;
  std::string quoted = "\"";
  for (char c : utf8) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

std::string PayloadPath(const std::string& folder, const std::string& name) {
  std::string path = folder;
  for (size_t start = 0;;) {
    const size_t end = std::min(name.find('\\', start), name.size());
    path = JoinNativePath(path, AnsiToNative(name.substr(start, end - start)));
    if (end == name.size()) return path;
    start = end + 1;
  }
}

std::string PayloadNames::Add(const std::string& name) {
  const std::string lower = platform::AnsiLowerCase(name);
  if (files_.count(lower) != 0) return "another entry of the same name in other letter case";
  if (folders_.count(lower) != 0) return "name of a folder that other entries lie in";
  for (size_t slash = lower.find('\\'); slash != std::string::npos; slash = lower.find('\\', slash + 1)) {
    if (files_.count(lower.substr(0, slash)) != 0) return "lies in a folder whose name another entry has";
  }
  files_.insert(lower);
  for (size_t slash = lower.find('\\'); slash != std::string::npos; slash = lower.find('\\', slash + 1)) {
    folders_.insert(lower.substr(0, slash));
  }
  return {};
}

}  // namespace setup::setupc
