#pragma once
// Slips in layout files that the setup passes over in silence: a page type or control
// type it does not know (the page stays a welcome page, the control is left out) and a
// control name one slip away from a name the wizard looks for (the feature stays off).
// compile reports them as warnings, with the name that was probably meant.

#include <string>
#include <vector>

#include "base/byte_io.h"

namespace setup::setupc {

struct LayoutSlip {
  size_t line = 0;  // from 1
  std::string message;
};

// The "[PageTypes]" lines of "Pages.txt" that name no page type.
std::vector<LayoutSlip> PageSetSlips(ByteView pageSet);

// A page file's unknown control types and near misses of the special control names.
std::vector<LayoutSlip> PageFileSlips(ByteView pageFile);

}  // namespace setup::setupc
