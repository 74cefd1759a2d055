#include "setupc/setup_files.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "setupc/layout_references.h"
#include "setupc/layout_slips.h"
#include "setupc/local_files.h"

namespace setup::setupc {

namespace {

constexpr const char* kLineFeedAlone =
    "the line ends in a line feed alone; the setup reads lines ending in CR LF";

// The line (from 1) of the first line feed without a carriage return before it in
// UTF-16 little-endian text after its byte-order mark, or 0.
size_t FirstBareLineFeed16(const Bytes& text) {
  size_t line = 1;
  char16_t previous = 0;
  for (size_t i = 2; i + 1 < text.size(); i += 2) {
    const auto c = static_cast<char16_t>(text[i] | (text[i + 1] << 8));
    if (c == u'\n') {
      if (previous != u'\r') return line;
      ++line;
    }
    previous = c;
  }
  return 0;
}

// A layout file's content, or nullopt after reporting why it cannot be used.
std::optional<Bytes> ReadLayout(const std::string& path, const std::string& namedIn, size_t line,
                                Diagnostics& diagnostics) {
  std::optional<Bytes> content = ReadWholeFile(path);
  if (!content) {
    diagnostics.push_back({namedIn, line, "cannot read " + path});
  } else if (size_t bare = FirstBareLineFeed(*content); bare != 0) {
    diagnostics.push_back({path, bare, kLineFeedAlone});
    content.reset();
  }
  return content;
}

}  // namespace

bool CheckLanguageFile(const std::string& path, const std::string& namedIn, size_t line,
                       Diagnostics& diagnostics) {
  const std::optional<Bytes> content = ReadWholeFile(path);
  if (!content) {
    diagnostics.push_back({namedIn, line, "language file " + path + " not found"});
  } else if (content->size() < 2 || (*content)[0] != 0xFF || (*content)[1] != 0xFE) {
    diagnostics.push_back(
        {namedIn, line,
         "language file " + path + " is not UTF-16 little-endian text with a byte-order mark"});
  } else if (size_t bare = FirstBareLineFeed16(*content); bare != 0) {
    diagnostics.push_back({path, bare, kLineFeedAlone});
  } else {
    return true;
  }
  return false;
}

std::vector<NamedFile> GatherPageSet(const std::string& folder, const std::string& namedIn, size_t line,
                                     const std::string& changelog, Diagnostics& diagnostics,
                                     Diagnostics& warnings) {
  std::vector<NamedFile> result;
  if (KindOf(folder) != PathKind::Folder) {
    diagnostics.push_back({namedIn, line, "page set folder " + folder + " not found"});
    return result;
  }
  std::vector<FolderFile> files;
  if (std::string error = ListFolderFiles(folder, files); !error.empty()) {
    diagnostics.push_back({namedIn, line, error});
    return result;
  }
  std::unordered_map<std::string, std::string> byName;  // lower-case entry name -> path
  for (const FolderFile& file : files) byName.emplace(AsciiLower(file.name), file.path);
  auto find = [&](std::string name) -> const std::string* {
    std::replace(name.begin(), name.end(), '/', '\\');
    const auto it = byName.find(AsciiLower(name));
    return it == byName.end() ? nullptr : &it->second;
  };

  const std::string* pageSet = find("Pages.txt");
  if (pageSet == nullptr) {
    diagnostics.push_back({namedIn, line, "page set folder " + folder + " has no Pages.txt"});
    return result;
  }
  const std::optional<Bytes> list = ReadLayout(*pageSet, namedIn, line, diagnostics);
  if (!list) return result;
  result.push_back({"Pages.txt", *pageSet, namedIn, line});
  for (LayoutSlip& slip : PageSetSlips(*list)) warnings.push_back({*pageSet, slip.line, std::move(slip.message)});
  for (const LayoutReference& page : PageFileNames(*list)) {
    const std::string* pagePath = find(page.name);
    if (pagePath == nullptr) {
      diagnostics.push_back(
          {*pageSet, page.line, "page file " + Quoted(page.name) + " not found in " + folder});
      continue;
    }
    const std::optional<Bytes> layout = ReadLayout(*pagePath, *pageSet, page.line, diagnostics);
    if (!layout) continue;
    result.push_back({page.name, *pagePath, *pageSet, page.line});
    for (LayoutSlip& slip : PageFileSlips(*layout)) warnings.push_back({*pagePath, slip.line, std::move(slip.message)});
    for (const LayoutReference& file : PageFileReferences(*layout)) {
      if (const std::string* path = find(file.name)) {
        result.push_back({file.name, *path, *pagePath, file.line});
      } else if (changelog.empty() || AsciiLower(file.name) != AsciiLower(changelog)) {
        diagnostics.push_back(
            {*pagePath, file.line, "file " + Quoted(file.name) + " not found in " + folder});
      }
    }
  }
  return result;
}

}  // namespace setup::setupc
