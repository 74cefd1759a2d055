#pragma once
// An error in an author's files that compile reports as FILE:LINE: message.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "setupc/text.h"

namespace setup::setupc {

struct Diagnostic {
  std::string file;     // native path, as the author can open it
  size_t line = 0;      // from 1; 0 for the file as a whole
  std::string message;  // native text
};

using Diagnostics = std::vector<Diagnostic>;

// Script or layout text (code page) in a message, in double quotes.
inline std::string Quoted(std::string_view ansi) { return "\"" + AnsiToNative(ansi) + "\""; }

}  // namespace setup::setupc
