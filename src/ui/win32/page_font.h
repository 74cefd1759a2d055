#pragma once
// The fonts of the wizard: the dialog font ("MS Shell Dlg 2", 8 point) at a DPI, and the
// font of a page control: the page area's font with the layout's "fontface",
// "fontsize" and "fontbold" applied, and the text colour of "fontcolour". A control
// without any of the first three uses the area's font itself.

#include <windows.h>

#include <optional>
#include <string>

#include "platform/win32/unique_handle.h"
#include "ui/model/page_layout.h"

namespace setup::ui {

// The font keys of a control's layout, kept so that its font can be made again at
// another DPI.
struct TFontKeys {
  std::optional<std::string> Face;
  std::optional<int32_t> Size;  // points
  std::optional<bool> Bold;
  std::optional<uint32_t> Colour;

  static TFontKeys Of(const TControlDesc& desc) { return {desc.FontFace, desc.FontSize, desc.FontBold, desc.FontColour}; }
};

struct TControlFont {
  platform::win32::UniqueFont Own;   // null when the control uses the area's font
  HFONT Handle = nullptr;            // the font to use: Own, or the area's
  std::optional<COLORREF> Colour;    // the layout's text colour, when it gives one
};

// areaFont is the area's font at dpi.
TControlFont MakeControlFont(const TFontKeys& keys, HFONT areaFont, int32_t dpi);

// "MS Shell Dlg 2", 8 point, at the DPI.
platform::win32::UniqueFont CreateDialogFont(int32_t dpi);

}  // namespace setup::ui
