#pragma once
// The language set: every language of the package, the current one, lookup of texts by
// number and expansion of the "<LANG" n ">" tags.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/language.h"

namespace setup {

class TLanguages {
 public:
  // How deep inserted texts are searched for tags, and how many characters one
  // ReplaceTags may insert in all (see ReplaceTags).
  static constexpr uint8_t kMaxTagDepth = 16;
  static constexpr size_t kMaxInsertedChars = size_t{1} << 20;

  // Index into Languages(); -1 until start-up chooses one. Any value is safe: an index
  // that names no language reads as "no current language".
  int32_t Current = -1;

  const std::vector<TLanguage>& Languages() const { return languages_; }
  // The current language, or null when Current names none.
  const TLanguage* CurrentLanguage() const;

  // Appends a new language ("Untitled") and loads it from the buffer, which the caller
  // keeps. A failing load raises its SetupError and leaves the new language in the set,
  // still "Untitled" and without texts.
  void Add(const uint8_t* data, size_t size);

  // Index of the first language whose identifiers contain langId exactly; -1 if none.
  int32_t FindByLocale(uint16_t langId) const;
  // Start-up's choice: the first language serving the system language, else index 0.
  void SelectDefault(uint16_t systemLangId);

  // The current language's first text with the number; "NOT FOUND " and the number in
  // decimal when there is none or no current language.
  std::u16string GetString(uint16_t id) const;

  // Replaces every "<LANG" n ">" tag (exact case; n decimal or "$" hexadecimal, kept as
  // its low 16 bits) by GetString(n), then searches the result again from the start of
  // the inserted text, so tags inside inserted texts, and tags that an inserted text
  // forms with its neighbours, are expanded too. Without a current language the text
  // is returned unchanged. A "<LANG" without a later ">" reads as the empty number, and
  // a number that is no integer raises SetupError "'n' is not a valid integer value".
  //
  // Termination rule: the original text is level 0; a text inserted for a tag whose
  // "<" is at level d is at level d + 1. A tag whose "<" is at level kMaxTagDepth (16)
  // stays as written and its number is not read, so a text that refers to itself,
  // directly or through others, is expanded 16 levels deep and then keeps its tag.
  // Besides, one call inserts at most kMaxInsertedChars characters in all: the first tag
  // whose text would go beyond stays as written, and so does everything after it.
  // The search resumes where the replaced tag began (never at the start of the text),
  // which finds the same tags because nothing before that point holds one; the time
  // taken is linear in the size of the result.
  std::u16string ReplaceTags(std::u16string_view text) const;

 private:
  std::vector<TLanguage> languages_;
};

}  // namespace setup
