#include "setupc/layout_references.h"

#include <algorithm>
#include <string_view>

#include "setupc/text.h"

namespace setup::setupc {

namespace {

// "[Name]" -> "name"
std::string SectionName(const std::string& header) {
  return header.size() >= 2 ? AsciiLower(std::string_view(header).substr(1, header.size() - 2))
                            : std::string();
}

}  // namespace

std::vector<std::vector<LayoutPiece>> LayoutSections(ByteView bytes) {
  const auto zero = std::find(bytes.begin(), bytes.end(), uint8_t{0});
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()),
                              static_cast<size_t>(zero - bytes.begin()));
  std::vector<std::vector<LayoutPiece>> sections;
  size_t line = 1;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\r', start);
    if (end == std::string_view::npos) end = text.size();
    size_t first = start, last = end;
    while (first < last && static_cast<uint8_t>(text[first]) <= 0x20) ++first;
    while (last > first && static_cast<uint8_t>(text[last - 1]) <= 0x20) --last;
    if (first < last) {
      LayoutPiece piece{std::string(text.substr(first, last - first)), line};
      if (piece.text[0] == '[' || sections.empty()) sections.emplace_back();
      sections.back().push_back(std::move(piece));
    }
    ++line;
    start = end + 1;
  }
  return sections;
}

std::vector<LayoutReference> PageFileNames(ByteView pageSet) {
  std::vector<LayoutReference> names;
  for (const auto& section : LayoutSections(pageSet)) {
    if (section[0].text[0] != '[' || SectionName(section[0].text) != "pages") continue;
    for (size_t i = 1; i < section.size(); ++i) names.push_back({section[i].text, section[i].line});
  }
  return names;
}

std::vector<LayoutReference> PageFileReferences(ByteView pageFile) {
  std::vector<LayoutReference> references;
  for (const auto& section : LayoutSections(pageFile)) {
    if (section.size() < 2) continue;
    const std::string& typeLine = section[1].text;
    const size_t equals = typeLine.find('=');
    const std::string type = AsciiLower(equals == std::string::npos ? typeLine : typeLine.substr(equals + 1));
    if (type != "timage" && type != "trichedit") continue;
    for (size_t i = 2; i < section.size(); ++i) {
      const std::string& property = section[i].text;
      const size_t split = property.find('=');
      if (split == std::string::npos || AsciiLower(property.substr(0, split)) != "file") continue;
      std::string value = property.substr(split + 1);
      if (type == "trichedit" && value.find("<%") != std::string::npos) continue;
      references.push_back({std::move(value), section[i].line});
    }
  }
  return references;
}

size_t FirstBareLineFeed(ByteView text) {
  size_t line = 1;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      if (i == 0 || text[i - 1] != '\r') return line;
      ++line;
    } else if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) {
      ++line;
    }
  }
  return 0;
}

}  // namespace setup::setupc
