#include "setupc/layout_slips.h"

#include "setupc/diagnostic.h"
#include "setupc/layout_references.h"
#include "setupc/nearest_name.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

const std::vector<std::string_view> kPageTypes = {"welcome",  "changelog",  "installdir", "patch",
                                                  "patching", "finish",     "mainlayout", "uninstall",
                                                  "languageselection"};

const std::vector<std::string_view> kControlTypes = {"TLabel", "TEdit",  "TMemo",  "TRichEdit",   "TRadio",
                                                     "TImage", "TPanel", "TBevel", "TProgressBar", "TButton",
                                                     "TShellTreeView"};

// The names the wizard looks controls up by, as the page-layout reference spells them.
const std::vector<std::string_view> kSpecialNames = {"Patching_StatusLabel",     "Patching_ProgressBar",
                                                     "FinishText",               "InstallDir_Edit",
                                                     "InstallDir_ShellTreeView", "SpaceAvalible"};

bool IsOneOf(const std::string& word, const std::vector<std::string_view>& known) {
  const std::string lower = AsciiLower(word);
  for (std::string_view name : known)
    if (AsciiLower(name) == lower) return true;
  return false;
}

// What follows the first "=" of a "Type=KEYWORD" line, or the line itself.
std::string TypeKeyword(const std::string& line) {
  const size_t equals = line.find('=');
  return equals == std::string::npos ? line : line.substr(equals + 1);
}

}  // namespace

std::vector<LayoutSlip> PageSetSlips(ByteView pageSet) {
  std::vector<LayoutSlip> slips;
  for (const auto& section : LayoutSections(pageSet)) {
    if (AsciiLower(section[0].text) != "[pagetypes]") continue;
    for (size_t i = 1; i < section.size(); ++i) {
      const LayoutPiece& type = section[i];
      if (IsOneOf(type.text, kPageTypes)) continue;
      slips.push_back({type.line, "unknown page type " + Quoted(type.text) + ", read as \"welcome\"" +
                                      DidYouMean(type.text, kPageTypes)});
    }
  }
  return slips;
}

std::vector<LayoutSlip> PageFileSlips(ByteView pageFile) {
  std::vector<LayoutSlip> slips;
  for (const auto& section : LayoutSections(pageFile)) {
    const LayoutPiece& header = section[0];
    if (header.text.size() < 2 || header.text[0] != '[') continue;
    const std::string name = header.text.substr(1, header.text.size() - 2);
    if (!IsOneOf(name, kSpecialNames)) {
      const std::string meant = DidYouMean(name, kSpecialNames);
      if (!meant.empty())
        slips.push_back({header.line, "control " + Quoted(name) + " has no special role" + meant});
    }
    if (section.size() < 2) continue;
    const std::string type = TypeKeyword(section[1].text);
    if (!IsOneOf(type, kControlTypes)) {
      slips.push_back({section[1].line, "unknown control type " + Quoted(type) + ", the control is left out" +
                                            DidYouMean(type, kControlTypes)});
    }
  }
  return slips;
}

}  // namespace setup::setupc
