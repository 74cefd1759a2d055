#include "ui/model/caption.h"

#include "base/text_replace.h"

namespace setup {

std::u16string ExpandCaption(const TLanguages& languages, const TLanguageStrings& macros,
                             std::u16string_view text) {
  const std::u16string tagged = languages.ReplaceTags(text);
  return macros.ApplyMacros(ReplaceAll(tagged, u"<BR>", u"\r"));
}

}  // namespace setup
