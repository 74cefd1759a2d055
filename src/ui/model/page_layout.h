#pragma once
// The wizard's pages as the layout files describe them, apart from any window: the page
// set ("Pages.txt": page files, page types, the page area's colour) and, per page file,
// one description per control with the properties its lines set, in the form the
// window layer applies them. Loading validates everything that can fail (integers and
// colours, control names) so that the window layer only creates and applies.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_io.h"

namespace setup {

class TPak;

enum class TPageType : uint8_t {
  welcome,
  changelog,
  installdir,
  patch,
  patching,
  finish,
  mainlayout,
  uninstall,
  languageselection,
};

// The control types of the layout keywords "tlabel" ... "tradio".
enum class TControlType : uint8_t {
  Label,          // "tlabel"
  Edit,           // "tedit"
  ShellTreeView,  // "tshelltreeview"
  Button,         // "tbutton"
  Image,          // "timage"
  Panel,          // "tpanel"
  Bevel,          // "tbevel"
  Memo,           // "tmemo"
  RichEdit,       // "trichedit"
  ProgressBar,    // "tprogressbar" (the gradient gauge)
  Radio,          // "tradio"
};

// What the lines of one control section set. Only keys that apply to the control's type
// are taken; a later line overrides an earlier one; unset stays nullopt (the window
// layer's defaults). Colours are Windows colour values 0x00BBGGRR.
struct TControlDesc {
  std::string Name;  // as written in the section header
  TControlType Type = TControlType::Label;

  std::optional<int32_t> Left, Top, Width, Height;
  std::optional<bool> Enabled;

  // "caption" (label, radio, panel) or "text" (edit): the value as written, converted
  // to UTF-16 from the system code page, before caption expansion (the control's entry
  // in RawTexts). Empty when the layout gives none.
  std::u16string RawText;
  bool HasRawText = false;
  // "text" of a memo or rich edit: the value with every "<BR>" (any case) replaced by a
  // carriage return; 8-bit text, never expanded.
  std::optional<std::string> PlainText;

  std::optional<std::string> FontFace;
  std::optional<int32_t> FontSize;      // points
  std::optional<uint32_t> FontColour;   // also CustomFontCol of a folder tree
  std::optional<bool> FontBold;
  std::optional<uint32_t> FontSelColour;  // folder tree: CustomSelFontCol
  std::optional<uint32_t> SelColour;      // folder tree: CustomSelCol

  std::optional<bool> AutoSize, WordWrap, Transparent, Checked, Border;
  std::optional<uint32_t> Colour;      // background: edit, rich edit, folder tree
  std::optional<uint32_t> ForeColour;  // gauge: Color1 and Color2
  std::optional<uint32_t> BackColour;  // gauge: Backcolor

  // "file" of an image (the entry name as written) or of a rich edit (the value before
  // ApplyMacros).
  std::optional<std::string> File;
  // Rich edit with both "text" and "file": true when the last "text" line stands after
  // the last "file" line, so the text replaces what the file loaded; false: the text is
  // set first and the file (when found) replaces it.
  bool TextAfterFile = false;
  std::optional<bool> Stretch, Center;
  // A "tile" true line after the last "file" line (a "tile" line before any "file" has
  // no effect; a later "tile" false does not undo it; a later "file" loads a new,
  // untiled picture).
  bool Tile = false;
};

struct TPageDesc {
  std::string EntryName;  // the page file's name as listed in "[Pages]"
  TPageType Type = TPageType::welcome;
  std::vector<TControlDesc> Controls;  // in file order
};

struct TPageSetDesc {
  std::vector<TPageDesc> Pages;  // in "[Pages]" order
  uint32_t Colour = 0xFFFFFF;    // "[Settings]" colour; white by default
};

// Errors and messages of loading, with the system's exact texts.
inline constexpr const char* kMissingFileCaption = "Missing File";

// Loads the page set entry (group 0, name without regard to case) and every page file it
// lists. A missing page set shows "Error File Missing: " + name, a missing page file
// "Error File Missing: |" + name + "|" (caption "Missing File", OK, no owner) and loading
// goes on with what there is. Raises SetupError for a number or colour that is not an
// integer ("'x' is not a valid integer value"), an invalid control name ("'x' is not a
// valid control name") or a name already used on any page, ignoring case ("A control
// named x already exists"). Lines before a file's first "[" line are ignored.
TPageSetDesc LoadPageSet(TPak& package, const std::string& entryName = "Pages.txt");

// The picture kinds a "timage" can show, by the file name's extension (any case):
// .bmp, .ico, .wmf, .emf, .jpg/.jpeg. Raises SetupError
// "Unknown picture file extension (.%s)" (the extension without its dot) for any other.
enum class TPictureKind : uint8_t { Bitmap, Icon, Metafile, EnhancedMetafile, Jpeg };
TPictureKind PictureKindOf(std::string_view fileName);

}  // namespace setup
