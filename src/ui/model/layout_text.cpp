#include "ui/model/layout_text.h"

#include "package/pak.h"

namespace setup {

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view Trim(std::string_view piece) {
  size_t first = 0;
  size_t last = piece.size();
  while (first < last && IsBlankOrControl(piece[first])) ++first;
  while (last > first && IsBlankOrControl(piece[last - 1])) --last;
  return piece.substr(first, last - first);
}

}  // namespace

void ForEachLayoutSection(std::string_view text,
                          const std::function<void(const TLayoutSection&)>& onSection) {
  text = text.substr(0, text.find('\0'));
  TLayoutSection section;
  bool inSection = false;  // a header has been seen
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\r', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (!section.empty()) onSection(section);
      section.clear();
      inSection = true;
    }
    if (inSection) section.emplace_back(line);
  }
  if (!section.empty()) onSection(section);
}

std::string_view SectionName(std::string_view header) {
  if (header.size() < 2) return {};
  return header.substr(1, header.size() - 2);
}

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::optional<std::string> ReadLayoutEntry(TPak& package, const std::string& name) {
  uint32_t size = 0;
  if (std::optional<Bytes> bytes = package.ExtractByName(name, 0, size)) {
    return std::string(bytes->begin(), bytes->end());
  }
  // Extraction gives nothing for an empty entry as for a missing one; only the table
  // tells them apart.
  const std::optional<size_t> index = package.IndexOf(name, 0);
  if (index && package.Entries()[*index].Size == 0) return std::string();
  return std::nullopt;
}

}  // namespace setup
