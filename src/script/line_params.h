#pragma once
// Reading a command's parameters from its compiled line without trusting the line: a
// damaged script may hold fewer parameters than the command expects, or no line at all
// at the command's index.

#include <cstddef>
#include <cstdint>
#include <string>

#include "script/comp_lines.h"
#include "text/integer_text.h"

namespace setup {

// Parameter index (0-based) of line, or an empty text when the line or the parameter
// is missing.
inline std::string LineParam(const TCompLine* line, size_t index) {
  if (line == nullptr || index >= line->Params.size()) return {};
  return line->Params[index];
}

// Parameter index as a number; -1 when it is missing or not a number (the authoring
// tool writes "-1" for a branch that falls through).
inline int32_t LineParamNumber(const TCompLine* line, size_t index) {
  if (line == nullptr || index >= line->Params.size()) return -1;
  return TryTextToInt(line->Params[index]).value_or(-1);
}

}  // namespace setup
