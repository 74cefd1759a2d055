#pragma once
// Text at the tool's edges. Entry names are 8-bit text in the system code page; the
// console, the command line and local file names are in that code page on Windows and
// in UTF-8 elsewhere, and JSON output is always UTF-8, as is all output of info, log
// and text.

#include <optional>
#include <string>
#include <string_view>

namespace setup::setupc {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; nullopt for malformed input (overlong forms, surrogates, > U+10FFFF).
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// An entry name typed on the command line, in the code page. Windows: as it is. Elsewhere
// UTF-8 is converted (text that is not UTF-8 is taken as code-page bytes already);
// nullopt when a character has no form in the code page.
std::optional<std::string> ArgumentToAnsi(std::string_view text);
// Code-page text for the console and for local file names.
std::string AnsiToNative(std::string_view text);
// UTF-16 text (a message box's) for the console.
std::string WideToNative(std::u16string_view text);

// Code-page text as UTF-8 on every system: info, log and text write UTF-8 even on a
// Windows console.
std::string AnsiToUtf8(std::string_view text);
// UTF-8 text for a one-line field of human output: control characters (below U+0020)
// become "?", so an item never spans lines. JSON keeps them.
std::string OneLine(std::string utf8);

// ASCII letters in lower case, other bytes as they are: how the setup compares
// entry names, keywords and layout keys.
std::string AsciiLower(std::string_view text);

}  // namespace setup::setupc
