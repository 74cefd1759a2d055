// Special folders from a settable table of Windows-style paths; shell links as small
// text files.
#include <charconv>
#include <map>
#include <mutex>
#include <string_view>

#include "platform/files.h"
#include "platform/posix/posix_controls.h"
#include "platform/posix/shell_controls.h"
#include "platform/programs.h"
#include "platform/shell.h"

namespace setup::platform {

namespace {

std::map<int, std::string> DefaultFolders() {
  return {
      {kFolderDesktop, "C:\\Users\\User\\Desktop"},
      {kFolderPrograms, "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
      {kFolderAppData, "C:\\Users\\User\\AppData\\Roaming"},
      {kFolderLocalAppData, "C:\\Users\\User\\AppData\\Local"},
      {kFolderProgramFiles, "C:\\Program Files"},
  };
}

std::mutex foldersMutex;
std::map<int, std::string>& Folders() {
  static std::map<int, std::string> folders = DefaultFolders();
  return folders;
}

std::string Lookup(int csidl) {
  std::lock_guard<std::mutex> lock(foldersMutex);
  const auto it = Folders().find(csidl);
  return it == Folders().end() ? std::string() : it->second;
}

}  // namespace

std::string SpecialFolderLocation(int csidl, void* /*owner*/) {
  return RedirectedSpecialFolder(csidl).value_or(Lookup(csidl));
}

std::string SpecialFolderPath(int csidl) { return RedirectedSpecialFolder(csidl).value_or(Lookup(csidl)); }

namespace {
std::mutex documentsMutex;
std::vector<std::string>& Documents() {
  static std::vector<std::string> documents;
  return documents;
}
}  // namespace

bool OpenDocumentMaximized(const std::string& path, void* /*owner*/) {
  if (RecordProgramRequest({path, {}, true})) return true;
  std::lock_guard<std::mutex> lock(documentsMutex);
  Documents().push_back(path);
  return true;
}

std::vector<std::string> posix::OpenedDocuments() {
  std::lock_guard<std::mutex> lock(documentsMutex);
  return Documents();
}

void posix::ResetOpenedDocuments() {
  std::lock_guard<std::mutex> lock(documentsMutex);
  Documents().clear();
}

// ---- shell links: one "key=value" line per property ----

namespace {

// Line breaks would split a value over two lines, so they and the escape character
// itself are written as "%0D", "%0A" and "%25"; everything else stays readable.
std::string EscapeValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    if (c == '%') {
      out += "%25";
    } else if (c == '\r') {
      out += "%0D";
    } else if (c == '\n') {
      out += "%0A";
    } else {
      out += c;
    }
  }
  return out;
}

std::string UnescapeValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    const std::string_view code = value.substr(i, 3);
    if (code == "%25" || code == "%0D" || code == "%0A") {
      out += code == "%25" ? '%' : code == "%0D" ? '\r' : '\n';
      i += 2;
    } else {
      out += value[i];
    }
  }
  return out;
}

}  // namespace

bool SaveShellLink(const std::string& linkPath, const ShellLink& link) {
  const std::string text = "target=" + EscapeValue(link.target) + "\n" +
                           "arguments=" + EscapeValue(link.arguments) + "\n" +
                           "workingFolder=" + EscapeValue(link.workingFolder) + "\n" +
                           "iconPath=" + EscapeValue(link.iconPath) + "\n" +
                           "iconIndex=" + std::to_string(link.iconIndex) + "\n";
  File file;
  return file.Open(linkPath, OpenMode::CreateAlways) && file.Write(text.data(), text.size());
}

std::optional<ShellLink> LoadShellLink(const std::string& linkPath) {
  // A link is a few hundred bytes; anything far larger is not one of ours.
  constexpr uint64_t kMaxLinkSize = 1u << 20;
  File file;
  if (!file.Open(linkPath, OpenMode::ReadShared) || file.Size() > kMaxLinkSize) return std::nullopt;
  std::string text(static_cast<size_t>(file.Size()), '\0');
  text.resize(file.Read(text.data(), text.size()));

  ShellLink link;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view key = line.substr(0, equals);
    const std::string value = UnescapeValue(line.substr(equals + 1));
    if (key == "target") {
      link.target = value;
    } else if (key == "arguments") {
      link.arguments = value;
    } else if (key == "workingFolder") {
      link.workingFolder = value;
    } else if (key == "iconPath") {
      link.iconPath = value;
    } else if (key == "iconIndex") {
      const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), link.iconIndex);
      if (ec != std::errc() || ptr != value.data() + value.size()) return std::nullopt;
    }
  }
  return link;
}

ComponentObjectScope::ComponentObjectScope() = default;
ComponentObjectScope::~ComponentObjectScope() = default;

namespace posix {

void SetSpecialFolder(int csidl, const std::string& path) {
  std::lock_guard<std::mutex> lock(foldersMutex);
  Folders()[csidl] = path;
}

void ResetSpecialFolders() {
  std::lock_guard<std::mutex> lock(foldersMutex);
  Folders() = DefaultFolders();
}

}  // namespace posix

}  // namespace setup::platform
