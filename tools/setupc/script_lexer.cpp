#include "setupc/script_lexer.h"

#include <cctype>

namespace setup::setupc {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool IsLabelName(std::string_view name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

// Reads the quoted parameter that starts at text[pos] (the opening quote).
bool ReadQuoted(std::string_view text, size_t& pos, std::string& param, std::string& error) {
  for (++pos; pos < text.size(); ++pos) {
    if (text[pos] != '"') {
      param += text[pos];
    } else if (pos + 1 < text.size() && text[pos + 1] == '"') {
      param += '"';
      ++pos;
    } else {
      ++pos;
      if (pos < text.size() && !IsBlank(text[pos])) {
        error = "text right after a closing double quote (separate parameters with blanks)";
        return false;
      }
      return true;
    }
  }
  error =
      "unterminated quote: a parameter that begins with a double quote must end with one "
      "(write \"\" for a double quote inside it)";
  return false;
}

}  // namespace

bool LexLine(std::string_view text, ScriptLine& line, std::string& error) {
  line = ScriptLine{};
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  const std::string_view trimmed = text.substr(begin, end - begin);
  if (trimmed.empty()) return true;
  if (trimmed[0] == ';') {
    line.kind = ScriptLine::Kind::Comment;
    return true;
  }
  if (trimmed.back() == ':' && trimmed.find_first_of(" \t\"") == std::string_view::npos) {
    line.label = std::string(trimmed.substr(0, trimmed.size() - 1));
    if (!IsLabelName(line.label)) {
      error = "\"" + line.label + "\" is no label name (letters, digits and _, not starting with a digit)";
      return false;
    }
    line.kind = ScriptLine::Kind::Label;
    return true;
  }

  std::vector<std::string> words;
  for (size_t pos = 0; pos < trimmed.size();) {
    if (IsBlank(trimmed[pos])) {
      ++pos;
      continue;
    }
    std::string word;
    if (trimmed[pos] == '"') {
      if (!ReadQuoted(trimmed, pos, word, error)) return false;
    } else {
      while (pos < trimmed.size() && !IsBlank(trimmed[pos])) {
        if (trimmed[pos] == '"') {
          error =
              "a double quote inside an unquoted parameter (put the whole parameter in double "
              "quotes and write \"\" for each double quote in it)";
          return false;
        }
        word += trimmed[pos++];
      }
    }
    words.push_back(std::move(word));
  }
  line.kind = ScriptLine::Kind::Statement;
  line.keyword = std::move(words.front());
  line.params.assign(std::make_move_iterator(words.begin() + 1), std::make_move_iterator(words.end()));
  return true;
}

}  // namespace setup::setupc
