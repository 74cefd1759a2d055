#pragma once
// Caption expansion: what every caption and edit text taken from a page layout goes
// through before it is shown.

#include <string>
#include <string_view>

#include "text/language_strings.h"
#include "text/languages.h"

namespace setup {

// Language tags (TLanguages::ReplaceTags), then "<BR>" in any case becomes a carriage
// return (U+000D), then the text macros (TLanguageStrings::ApplyMacros).
std::u16string ExpandCaption(const TLanguages& languages, const TLanguageStrings& macros,
                             std::u16string_view text);

}  // namespace setup
