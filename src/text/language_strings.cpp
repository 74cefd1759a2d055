#include "text/language_strings.h"

#include "base/text_replace.h"
#include "platform/codepage.h"

namespace setup {

void TLanguageStrings::Add(const std::string& key, const std::string* value) {
  macros_.emplace_back(platform::AnsiLowerCase(key), value);
}

std::u16string TLanguageStrings::ApplyMacros(const std::u16string& text) const {
  std::u16string result = text;
  for (const auto& [key, value] : macros_) {
    // The value as it is now; a pair registered without a variable reads as empty.
    result = ReplaceAll(result, platform::AnsiToWide(key),
                        value != nullptr ? platform::AnsiToWide(*value) : std::u16string());
  }
  return result;
}

}  // namespace setup
