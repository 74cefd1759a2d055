#pragma once
// The text form shared by the page set file and the page files: 8-bit lines cut at
// carriage returns and grouped into sections that begin with a "[" line.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

class TPak;

// One section: its header line ("[" ...) first, then its other lines, all trimmed and
// never empty.
using TLayoutSection = std::vector<std::string>;

// Splits text into lines and sections and hands each section to onSection in order.
// The text ends at its first zero byte, if any. Lines are cut at every carriage return
// only (a file with bare line feeds is one line); each piece loses every character at
// or below the blank (0x20) at both ends, and empty pieces are skipped. A line that
// begins with "[" starts a section. Lines before the first such line would form a
// section without a header, which describes nothing in either kind of file: they are
// skipped.
void ForEachLayoutSection(std::string_view text,
                          const std::function<void(const TLayoutSection&)>& onSection);

// A header line without its first and last characters ("[Pages]" -> "Pages"); empty
// for a header of one character.
std::string_view SectionName(std::string_view header);

// ASCII case folding, as keys, keywords and section names are compared.
std::string LowerAscii(std::string_view text);

// The text of a layout entry (group 0, name without regard to case). nullopt when the
// package has no such entry or its content cannot be read; an entry that exists but is
// empty gives the empty text.
std::optional<std::string> ReadLayoutEntry(TPak& package, const std::string& name);

}  // namespace setup
