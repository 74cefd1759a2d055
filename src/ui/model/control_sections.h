#pragma once
// One section of a page file turned into the description of its control.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "ui/model/layout_text.h"
#include "ui/model/page_layout.h"

namespace setup {

// The names of the controls of every page loaded so far: all controls share one owner,
// so a name may be used once, compared without regard to case.
class TControlNames {
 public:
  // Raises SetupError when name is no valid identifier (letters, digits, underscore,
  // not starting with a digit) or when it is already taken.
  void Claim(const std::string& name);

 private:
  std::unordered_set<std::string> lowered_;
};

// The control type of a type keyword ("tlabel" ... "tradio", any case).
std::optional<TControlType> ControlTypeOf(std::string_view keyword);

// The control a section describes: line 1 "[" name "]", line 2 "Type=" keyword, then
// property lines "key=value". nullopt when the section has only its header or its type
// keyword is unknown (then nothing is checked). Raises SetupError for an invalid or
// duplicate name and for a number or colour of an applicable key that is no integer.
std::optional<TControlDesc> ParseControlSection(const TLayoutSection& section, TControlNames& names);

}  // namespace setup
