#pragma once
// The lines of an install script as the author writes them: one statement a line, a
// keyword and its parameters separated by blanks (spaces or tabs), a parameter in
// double quotes when it holds blanks (two double quotes inside stand for one), comment
// lines beginning with ";", and labels written as a name and ":" alone on a line.

#include <string>
#include <string_view>
#include <vector>

namespace setup::setupc {

struct ScriptLine {
  enum class Kind { Blank, Comment, Label, Statement };
  Kind kind = Kind::Blank;
  std::string keyword;              // Statement: as written
  std::vector<std::string> params;  // Statement: unquoted
  std::string label;                // Label: the name, as written
};

// Splits one line (without its line end; a trailing carriage return is ignored).
// Returns false with the reason in error when the line is malformed.
bool LexLine(std::string_view text, ScriptLine& line, std::string& error);

}  // namespace setup::setupc
