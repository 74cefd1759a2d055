#include <array>

#include "platform/dialogs.h"
#include "text/integer_text.h"
#include "ui/model/control_sections.h"
#include "ui/model/layout_text.h"
#include "ui/model/page_layout.h"

namespace setup {

namespace {

constexpr std::array<std::string_view, 9> kPageTypeKeywords = {
    "welcome", "changelog", "installdir", "patch", "patching", "finish", "mainlayout", "uninstall",
    "languageselection"};

std::optional<TPageType> PageTypeOf(std::string_view keyword) {
  const std::string lower = LowerAscii(keyword);
  for (size_t i = 0; i < kPageTypeKeywords.size(); ++i) {
    if (kPageTypeKeywords[i] == lower) return static_cast<TPageType>(i);
  }
  return std::nullopt;
}

TPageDesc LoadPage(TPak& package, const std::string& entryName, TControlNames& names) {
  TPageDesc page;
  page.EntryName = entryName;
  const std::optional<std::string> text = ReadLayoutEntry(package, entryName);
  if (!text) {
    platform::ShowMessage("Error File Missing: |" + entryName + "|", std::string(kMissingFileCaption));
    return page;
  }
  ForEachLayoutSection(*text, [&](const TLayoutSection& section) {
    if (std::optional<TControlDesc> control = ParseControlSection(section, names)) {
      page.Controls.push_back(std::move(*control));
    }
  });
  return page;
}

}  // namespace

TPageSetDesc LoadPageSet(TPak& package, const std::string& entryName) {
  TPageSetDesc set;
  const std::optional<std::string> text = ReadLayoutEntry(package, entryName);
  if (!text) {
    platform::ShowMessage("Error File Missing: " + entryName, std::string(kMissingFileCaption));
    return set;
  }
  TControlNames names;
  ForEachLayoutSection(*text, [&](const TLayoutSection& section) {
    const std::string name = LowerAscii(SectionName(section[0]));
    if (name == "pages") {
      for (size_t i = 1; i < section.size(); ++i) set.Pages.push_back(LoadPage(package, section[i], names));
    } else if (name == "pagetypes") {
      // Line n types page n of the pages loaded so far; lines beyond them are ignored.
      for (size_t i = 1; i < section.size() && i <= set.Pages.size(); ++i) {
        if (std::optional<TPageType> type = PageTypeOf(section[i])) set.Pages[i - 1].Type = *type;
      }
    } else if (name == "settings") {
      // "colour", one separator of any kind, the value.
      for (size_t i = 1; i < section.size(); ++i) {
        const std::string_view line = section[i];
        if (LowerAscii(line.substr(0, 6)) != "colour") continue;
        set.Colour = static_cast<uint32_t>(TextToInt(line.size() > 7 ? line.substr(7) : std::string_view()));
      }
    }
  });
  return set;
}

}  // namespace setup
