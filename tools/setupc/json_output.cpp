#include "setupc/json_output.h"

#include <ostream>
#include <string>

#include "setupc/text.h"

namespace setup::setupc {

namespace {

// Objects this deep or less are laid out a member a line (the document is depth 0).
constexpr int kDeepestExpandedObject = 1;

std::string Scalar(const Json& value) {
  // Texts were made UTF-8 by AnsiJson or WideJson; should one not be, it is written
  // with replacement characters rather than failing the command.
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

bool Expands(const Json& value, int depth) {
  if (value.is_object()) return depth <= kDeepestExpandedObject;
  if (value.is_array()) return !value.empty() && !value.front().is_number() && !value.front().is_boolean();
  return false;
}

void Write(const Json& value, int depth, bool expanded, std::string& out) {
  if (!value.is_structured()) {
    out += Scalar(value);
    return;
  }
  const bool object = value.is_object();
  out += object ? '{' : '[';
  if (value.empty()) {
    out += object ? '}' : ']';
    return;
  }
  const std::string indent = expanded ? std::string(2 * static_cast<size_t>(depth + 1), ' ') : std::string();
  bool first = true;
  for (auto it = value.begin(); it != value.end(); ++it) {
    if (!first) out += expanded ? ",\n" : ", ";
    if (expanded && first) out += '\n';
    first = false;
    out += indent;
    if (object) out += Scalar(Json(it.key())) + ": ";
    Write(*it, depth + 1, expanded && Expands(*it, depth + 1), out);
  }
  if (expanded) out += '\n' + std::string(2 * static_cast<size_t>(depth), ' ');
  out += object ? '}' : ']';
}

}  // namespace

Json AnsiJson(std::string_view ansi) { return Json(AnsiToUtf8(ansi)); }

Json WideJson(std::u16string_view text) { return Json(Utf16ToUtf8(text)); }

void WriteJson(const Json& document, std::ostream& out) {
  std::string text;
  Write(document, 0, Expands(document, 0), text);
  out << text << '\n';
}

}  // namespace setup::setupc
