#include "ui/model/control_sections.h"

#include <array>
#include <cstdint>

#include "base/errors.h"
#include "base/text_replace.h"
#include "platform/codepage.h"
#include "text/integer_text.h"

namespace setup {

namespace {

using T = TControlType;

constexpr uint32_t Bit(T type) { return 1u << static_cast<unsigned>(type); }

constexpr uint32_t kAllTypes = (1u << (static_cast<unsigned>(T::Radio) + 1)) - 1;
// The types whose font the layout may set.
constexpr uint32_t kFontTypes =
    Bit(T::Label) | Bit(T::Radio) | Bit(T::Edit) | Bit(T::Panel) | Bit(T::Memo) | Bit(T::RichEdit);

struct TypeKeyword {
  std::string_view keyword;
  T type;
};
constexpr std::array<TypeKeyword, 11> kTypeKeywords = {{
    {"tlabel", T::Label},
    {"tedit", T::Edit},
    {"tshelltreeview", T::ShellTreeView},
    {"tbutton", T::Button},
    {"timage", T::Image},
    {"tpanel", T::Panel},
    {"tbevel", T::Bevel},
    {"tmemo", T::Memo},
    {"trichedit", T::RichEdit},
    {"tprogressbar", T::ProgressBar},
    {"tradio", T::Radio},
}};

bool Boolean(std::string_view value) { return LowerAscii(value) == "true"; }
uint32_t Colour(std::string_view value) { return static_cast<uint32_t>(TextToInt(value)); }

void SetRawText(TControlDesc& d, std::string_view v) {
  d.RawText = platform::AnsiToWide(v);
  d.HasRawText = true;
}

// One key of the property lines, for the control types it applies to. A key may have
// rows for several sets of types with different effects.
struct PropertyRule {
  std::string_view key;  // lower case
  uint32_t types;
  void (*apply)(TControlDesc&, std::string_view);
};

// clang-format off
const PropertyRule kRules[] = {
    {"left", kAllTypes, [](TControlDesc& d, std::string_view v) { d.Left = TextToInt(v); }},
    {"top", kAllTypes, [](TControlDesc& d, std::string_view v) { d.Top = TextToInt(v); }},
    {"width", kAllTypes, [](TControlDesc& d, std::string_view v) { d.Width = TextToInt(v); }},
    {"height", kAllTypes, [](TControlDesc& d, std::string_view v) { d.Height = TextToInt(v); }},
    {"enabled", kAllTypes, [](TControlDesc& d, std::string_view v) { d.Enabled = Boolean(v); }},
    {"caption", Bit(T::Label) | Bit(T::Radio) | Bit(T::Panel), SetRawText},
    {"text", Bit(T::Edit), SetRawText},
    {"text", Bit(T::Memo) | Bit(T::RichEdit), [](TControlDesc& d, std::string_view v) {
       d.PlainText = ReplaceAll(v, "<BR>", "\r");
       d.TextAfterFile = d.File.has_value();
     }},
    {"fontface", kFontTypes, [](TControlDesc& d, std::string_view v) { d.FontFace = std::string(v); }},
    {"fontsize", kFontTypes, [](TControlDesc& d, std::string_view v) { d.FontSize = TextToInt(v); }},
    {"fontcolour", kFontTypes | Bit(T::ShellTreeView),
     [](TControlDesc& d, std::string_view v) { d.FontColour = Colour(v); }},
    {"fontbold", kFontTypes, [](TControlDesc& d, std::string_view v) { d.FontBold = Boolean(v); }},
    {"autosize", Bit(T::Label) | Bit(T::Edit), [](TControlDesc& d, std::string_view v) { d.AutoSize = Boolean(v); }},
    {"wordwrap", Bit(T::Label), [](TControlDesc& d, std::string_view v) { d.WordWrap = Boolean(v); }},
    {"transparent", Bit(T::Label) | Bit(T::Image),
     [](TControlDesc& d, std::string_view v) { d.Transparent = Boolean(v); }},
    {"checked", Bit(T::Radio), [](TControlDesc& d, std::string_view v) { d.Checked = Boolean(v); }},
    {"colour", Bit(T::Edit) | Bit(T::RichEdit) | Bit(T::ShellTreeView),
     [](TControlDesc& d, std::string_view v) { d.Colour = Colour(v); }},
    {"border", Bit(T::Edit) | Bit(T::Memo) | Bit(T::RichEdit) | Bit(T::ShellTreeView),
     [](TControlDesc& d, std::string_view v) { d.Border = Boolean(v); }},
    {"file", Bit(T::RichEdit), [](TControlDesc& d, std::string_view v) {
       d.File = std::string(v);
       d.TextAfterFile = false;
     }},
    // A new picture replaces a tiled one.
    {"file", Bit(T::Image), [](TControlDesc& d, std::string_view v) {
       d.File = std::string(v);
       d.Tile = false;
     }},
    {"fontselcolour", Bit(T::ShellTreeView), [](TControlDesc& d, std::string_view v) { d.FontSelColour = Colour(v); }},
    {"selcolour", Bit(T::ShellTreeView), [](TControlDesc& d, std::string_view v) { d.SelColour = Colour(v); }},
    {"forecolour", Bit(T::ProgressBar), [](TControlDesc& d, std::string_view v) { d.ForeColour = Colour(v); }},
    {"backcolour", Bit(T::ProgressBar), [](TControlDesc& d, std::string_view v) { d.BackColour = Colour(v); }},
    {"stretch", Bit(T::Image), [](TControlDesc& d, std::string_view v) { d.Stretch = Boolean(v); }},
    {"center", Bit(T::Image), [](TControlDesc& d, std::string_view v) { d.Center = Boolean(v); }},
    // Tiling acts on the picture loaded so far: without one it does nothing, and a
    // later false does not undo it.
    {"tile", Bit(T::Image), [](TControlDesc& d, std::string_view v) {
       if (d.File && Boolean(v)) d.Tile = true;
     }},
};
// clang-format on

void ApplyProperty(TControlDesc& desc, std::string_view line) {
  const size_t equals = line.find('=');
  // Key and value keep their blanks: "Left = 5" has the key "left " and no effect.
  const std::string key = LowerAscii(equals == std::string_view::npos ? std::string_view() : line.substr(0, equals));
  const std::string_view value = equals == std::string_view::npos ? line : line.substr(equals + 1);
  for (const PropertyRule& rule : kRules) {
    if ((rule.types & Bit(desc.Type)) != 0 && rule.key == key) {
      rule.apply(desc, value);
      return;
    }
  }
}

bool IsIdentifier(std::string_view name) {
  if (name.empty()) return false;
  const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!isLetter(name.front())) return false;
  for (char c : name) {
    if (!isLetter(c) && !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

}  // namespace

void TControlNames::Claim(const std::string& name) {
  if (!IsIdentifier(name)) throw SetupError("'" + name + "' is not a valid control name");
  if (!lowered_.insert(LowerAscii(name)).second) throw SetupError("A control named " + name + " already exists");
}

std::optional<TControlType> ControlTypeOf(std::string_view keyword) {
  const std::string lower = LowerAscii(keyword);
  for (const TypeKeyword& entry : kTypeKeywords) {
    if (entry.keyword == lower) return entry.type;
  }
  return std::nullopt;
}

std::optional<TControlDesc> ParseControlSection(const TLayoutSection& section, TControlNames& names) {
  if (section.size() < 2 || section[0].front() != '[') return std::nullopt;
  // Only what follows the first "=" names the type; a line without "=" is the keyword.
  const std::string_view typeLine = section[1];
  const size_t equals = typeLine.find('=');
  const std::optional<TControlType> type =
      ControlTypeOf(equals == std::string_view::npos ? typeLine : typeLine.substr(equals + 1));
  if (!type) return std::nullopt;

  TControlDesc desc;
  desc.Name = std::string(SectionName(section[0]));
  desc.Type = *type;
  names.Claim(desc.Name);
  for (size_t i = 2; i < section.size(); ++i) ApplyProperty(desc, section[i]);
  return desc;
}

}  // namespace setup
