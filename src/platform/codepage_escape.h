#pragma once
// The escape that lets 8-bit text in the system code page carry any character.
//
// The setup keeps paths and script values as 8-bit text in the code page. A character
// the code page lacks (Cyrillic on a Western-language Windows, an emoji anywhere) is
// written as "?{" + its Unicode code point in hex + "}", for example "?{418}" for И.
// "?" can never stand in a file or folder name, and the escape is plain ASCII, which no
// code page reads as part of another character, so an escaped path can neither name a
// real file by accident nor split a double-byte character. Converting back to UTF-16
// turns every escape into its character again: the file system, the registry, the
// shell and the wizard see the real name.
//
// A "?" the text holds before a "{" is escaped itself ("?{3F}"), so the round trip
// from UTF-16 and back is exact for every text, unpaired surrogates included.

#include <string>
#include <string_view>

namespace setup::platform::codepage {

// The code page without escapes, as each platform converts it. PlainFromWide appends
// the code page's bytes for text to out; false, with out unchanged, when the code page
// has no form for a character. PlainToWide converts a text that holds no escape.
bool PlainFromWide(std::u16string_view text, std::string& out);
std::u16string PlainToWide(std::string_view text);

// Whether text holds an escape at all; texts without one skip the slower path.
bool HoldsEscape(std::string_view text);

}  // namespace setup::platform::codepage
