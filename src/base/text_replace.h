#pragma once
// The replacement primitive shared by path variables, text macros and language tags.

#include <string>
#include <string_view>

namespace setup {

// Replaces every occurrence of pattern (matched with ASCII letters folded to lower case)
// by replacement. After each replacement the search starts again at the beginning of
// the new text, so occurrences that a replacement forms with its neighbours are
// replaced too (a run of backslashes collapses to one when "\\" becomes "\"). Resuming
// just before the replaced spot gives the same result without rescanning the
// unchanged prefix.
//
// Termination: when the replacement itself contains the pattern, rescanning would never
// end; then each occurrence of the original text is replaced once, left to right, and
// inserted text is not searched again. In every case at most text.size() + 1
// rescanning replacements are made; whatever remains after that is replaced in one
// final left-to-right pass.
std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement);
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view pattern,
                          std::u16string_view replacement);

// ASCII-only case folding, as the replacement primitive and the logs compare.
char FoldAscii(char c);
char16_t FoldAscii(char16_t c);

}  // namespace setup
