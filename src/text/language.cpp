#include "text/language.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/codepage.h"
#include "text/integer_text.h"
#include "text/unicode_string_list.h"

namespace setup {

namespace {

bool IsBlank(char16_t c) { return c <= 0x0020; }

uint16_t Low16(int32_t value) { return static_cast<uint16_t>(static_cast<uint32_t>(value)); }

uint16_t HexIdentifier(const std::string& digits) { return Low16(TextToInt("$" + digits)); }

}  // namespace

bool TLanguage::HasLocale(uint16_t langId) const {
  return std::find(locales_.begin(), locales_.end(), langId) != locales_.end();
}

const std::u16string* TLanguage::Find(uint16_t id) const {
  const auto it = firstById_.find(id);
  return it == firstById_.end() ? nullptr : &strings_[it->second].Text;
}

std::vector<uint16_t> TLanguage::ParseLocales(std::u16string_view line) {
  const std::string text = platform::WideToAnsi(line);
  std::vector<uint16_t> locales;
  if (text.find(';') == std::string::npos) {
    locales.push_back(HexIdentifier(text));
    return locales;
  }
  for (size_t from = 0; from < text.size();) {
    const size_t semicolon = text.find(';', from);
    // A remainder without ";" reads as an empty number, which fails.
    const std::string digits = semicolon == std::string::npos ? std::string() : text.substr(from, semicolon - from);
    locales.push_back(HexIdentifier(digits));
    from = semicolon + 1;
  }
  return locales;
}

TLanguageString TLanguage::ParseTextLine(std::u16string_view line) {
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);

  size_t separator = line.size();
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == u'"') {
      quoted = !quoted;
    } else if (!quoted && (line[i] == u' ' || line[i] == u'\t')) {
      separator = i;
      break;
    }
  }

  std::u16string number;
  for (char16_t c : line.substr(0, separator)) {
    if (c != u'"') number.push_back(c);
  }
  std::u16string_view text = line.substr(separator);
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return TLanguageString{Low16(TextToInt(number)), std::u16string(text)};
}

void TLanguage::Load(const uint8_t* data, size_t size) {
  TUnicodeStringList lines;
  lines.LoadFromBuffer(data, size);
  std::u16string name = lines.Get(0);
  std::vector<uint16_t> locales = ParseLocales(lines.Get(1));

  std::vector<TLanguageString> strings;
  std::unordered_map<uint16_t, size_t> firstById;
  strings.reserve(static_cast<size_t>(lines.Count()) - 2);
  for (int i = 2; i < lines.Count(); ++i) {
    strings.push_back(ParseTextLine(lines.Get(i)));
    firstById.try_emplace(strings.back().Id, strings.size() - 1);  // a later duplicate is never seen
  }

  name_ = std::move(name);
  locales_ = std::move(locales);
  strings_ = std::move(strings);
  firstById_ = std::move(firstById);
}

}  // namespace setup
