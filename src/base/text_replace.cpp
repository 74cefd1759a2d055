#include "base/text_replace.h"

#include <cstddef>

namespace setup {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

namespace {

template <typename Char>
size_t FindFolded(std::basic_string_view<Char> text, std::basic_string_view<Char> pattern, size_t from) {
  if (pattern.empty() || text.size() < pattern.size()) return std::basic_string_view<Char>::npos;
  for (size_t i = from; i + pattern.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < pattern.size() && FoldAscii(text[i + k]) == FoldAscii(pattern[k])) ++k;
    if (k == pattern.size()) return i;
  }
  return std::basic_string_view<Char>::npos;
}

// One left-to-right pass: each occurrence replaced once, inserted text not searched.
template <typename Char>
std::basic_string<Char> ReplaceOnce(std::basic_string_view<Char> text, std::basic_string_view<Char> pattern,
                                    std::basic_string_view<Char> replacement) {
  std::basic_string<Char> out;
  size_t from = 0;
  for (size_t at = FindFolded(text, pattern, 0); at != std::basic_string_view<Char>::npos;
       at = FindFolded(text, pattern, from)) {
    out.append(text.substr(from, at - from));
    out.append(replacement);
    from = at + pattern.size();
  }
  out.append(text.substr(from));
  return out;
}

template <typename Char>
bool EndsWithFolded(const std::basic_string<Char>& text, std::basic_string_view<Char> pattern) {
  if (text.size() < pattern.size()) return false;
  const size_t base = text.size() - pattern.size();
  for (size_t k = 0; k < pattern.size(); ++k) {
    if (FoldAscii(text[base + k]) != FoldAscii(pattern[k])) return false;
  }
  return true;
}

// The rescanning replacement, done in one walk: characters move from the input to the
// output; the moment the output ends with the pattern, that is the first occurrence in
// the whole text (the output held none before), so it is taken off and the replacement
// is put in front of the remaining input, to be examined with what follows it and with
// what precedes it in the output. Same result as restarting from the beginning, in
// time proportional to the characters moved.
template <typename Char>
std::basic_string<Char> ReplaceAllImpl(std::basic_string_view<Char> text, std::basic_string_view<Char> pattern,
                                       std::basic_string_view<Char> replacement) {
  if (pattern.empty()) return std::basic_string<Char>(text);
  // Most texts hold no occurrence at all; none before the first one can form either.
  const size_t first = FindFolded(text, pattern, 0);
  if (first == std::basic_string_view<Char>::npos) return std::basic_string<Char>(text);
  if (FindFolded(replacement, pattern, 0) != std::basic_string_view<Char>::npos) {
    return ReplaceOnce(text, pattern, replacement);
  }
  // The input as a stack: its next character is at the back.
  std::basic_string<Char> input(text.rbegin(), text.rend() - static_cast<std::ptrdiff_t>(first));
  std::basic_string<Char> output(text.substr(0, first));
  output.reserve(text.size());
  size_t budget = text.size() + 1;
  while (!input.empty()) {
    output.push_back(input.back());
    input.pop_back();
    if (!EndsWithFolded(output, pattern)) continue;
    if (budget-- == 0) {
      output.append(input.rbegin(), input.rend());
      return ReplaceOnce(std::basic_string_view<Char>(output), pattern, replacement);
    }
    output.resize(output.size() - pattern.size());
    input.append(replacement.rbegin(), replacement.rend());
  }
  return output;
}

}  // namespace

std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement) {
  return ReplaceAllImpl(text, pattern, replacement);
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view pattern, std::u16string_view replacement) {
  return ReplaceAllImpl(text, pattern, replacement);
}

}  // namespace setup
