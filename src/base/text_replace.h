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

// ReplaceAll(text, pattern, replacement) for one text and pattern and many
// replacements (a status line per file). When the text holds the pattern once and
// nothing beside it could form the pattern again with a replacement (the text before
// it does not end with a beginning of the pattern, the text after it does not start
// with an end of it), the text is split there once and Fill only joins the three
// parts; otherwise Fill is ReplaceAll. The result is ReplaceAll's either way.
class PatternFiller {
 public:
  PatternFiller(std::u16string text, std::u16string pattern);
  std::u16string Fill(std::u16string_view replacement) const;

 private:
  std::u16string text_;
  std::u16string pattern_;
  size_t at_;  // where the pattern is split out; npos: replaced afresh each time
};

// ASCII-only case folding, as the replacement primitive and the logs compare.
char FoldAscii(char c);
char16_t FoldAscii(char16_t c);

}  // namespace setup
