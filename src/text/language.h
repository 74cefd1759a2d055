#pragma once
// One language of the wizard: its name, the Windows language identifiers it serves,
// and its numbered texts, read from a UTF-16 language file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace setup {

struct TLanguageString {
  uint16_t Id = 0;
  std::u16string Text;
};

class TLanguage {
 public:
  // "Untitled" until a file is loaded, then the file's first line, untrimmed.
  const std::u16string& Name() const { return name_; }
  // Language identifiers (primary and sub-language together), in file order.
  const std::vector<uint16_t>& Locales() const { return locales_; }
  // One entry per text line, in file order; duplicates are kept.
  const std::vector<TLanguageString>& Strings() const { return strings_; }

  bool HasLocale(uint16_t langId) const;
  // The text of the first entry with the number; null when there is none. O(1).
  const std::u16string* Find(uint16_t id) const;

  // Reads a language file: line 1 the name, line 2 the identifiers, every further line
  // one numbered text. Raises SetupError on a null buffer ("Cannot open file"), a file
  // of fewer than two lines ("List index out of bounds (n)") and a number that is no
  // integer ("'...' is not a valid integer value"). On failure the language keeps what
  // it held before.
  void Load(const uint8_t* data, size_t size);

  // Line 2: hexadecimal identifiers, each followed by ";"; a line without any ";" holds
  // exactly one. An identifier left without its ";" fails like an empty number.
  static std::vector<uint16_t> ParseLocales(std::u16string_view line);
  // A text line: the number (double quotes removed; decimal, or hexadecimal after "$";
  // kept as its low 16 bits), a space or tab outside double quotes, then the text.
  static TLanguageString ParseTextLine(std::u16string_view line);

 private:
  std::u16string name_ = u"Untitled";
  std::vector<uint16_t> locales_;
  std::vector<TLanguageString> strings_;
  std::unordered_map<uint16_t, size_t> firstById_;  // number -> first position in strings_
};

}  // namespace setup
