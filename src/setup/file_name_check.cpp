#include "setup/file_name_check.h"

namespace setup {

namespace {

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsDuplicateNumber(std::string_view inner) {
  for (char c : inner) {
    if (c < '1' || c > '9') return false;
  }
  return true;  // an empty group counts too
}

// One pass over name for one kind of bracket.
std::string RemoveGroups(std::string_view name, char open, char close) {
  std::string out;
  out.reserve(name.size());
  size_t pos = 0;
  while (pos < name.size()) {
    const size_t start = name.find(open, pos);
    const size_t end = start == std::string_view::npos ? start : name.find(close, start + 1);
    if (end == std::string_view::npos) break;
    out.append(name.substr(pos, start - pos));
    if (!IsDuplicateNumber(name.substr(start + 1, end - start - 1))) {
      out.append(name.substr(start, end - start + 1));
    }
    pos = end + 1;
  }
  if (pos < name.size()) out.append(name.substr(pos));
  return out;
}

}  // namespace

std::string_view FileNamePart(std::string_view path) {
  const size_t separator = path.find_last_of("\\/:");
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string RemoveDuplicateSuffixes(std::string_view name) {
  return RemoveGroups(RemoveGroups(name, '(', ')'), '[', ']');
}

std::optional<std::string> FileNameMismatch(const std::string& setupExeName,
                                            const std::string& moduleFileName) {
  const std::string_view found = FileNamePart(moduleFileName);
  if (RemoveDuplicateSuffixes(LowerAscii(found)) == LowerAscii(FileNamePart(setupExeName))) {
    return std::nullopt;
  }
  return "Error: Setup`s filename has been renamed\r\rExpected: \r" + setupExeName + "\r\rFound: \r" +
         std::string(found);
}

}  // namespace setup
