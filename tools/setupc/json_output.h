#pragma once
// The JSON that setupc's --json options write: documents are built as values and laid
// out in one place, so every command writes the same shape of text.

#include <iosfwd>
#include <string_view>

#include <nlohmann/json.hpp>

namespace setup::setupc {

// Keys keep the order they were added in: scripts read the output as documented.
using Json = nlohmann::ordered_json;

// A text of the package (8-bit, in the code page) as a JSON string: converted to UTF-8
// here and nowhere else.
Json AnsiJson(std::string_view ansi);
// A UTF-16 text (a language's) as a JSON string.
Json WideJson(std::u16string_view text);

// Writes document and a line feed. The top-level object and the objects directly in it
// have one member a line; an array in such an object has one element a line unless it
// holds numbers or truth values; everything else stands on one line, with ", " and ": ".
void WriteJson(const Json& document, std::ostream& out);

}  // namespace setup::setupc
