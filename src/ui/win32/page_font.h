#pragma once
// The font of a page control: the page area's font with the layout's "fontface",
// "fontsize" and "fontbold" applied, and the text colour of "fontcolour". A control
// without any of the first three uses the area's font itself.

#include <windows.h>

#include <optional>

#include "platform/win32/unique_handle.h"
#include "ui/model/page_layout.h"

namespace setup::ui {

struct TControlFont {
  platform::win32::UniqueFont Own;   // null when the control uses the area's font
  HFONT Handle = nullptr;            // the font to use: Own, or the area's
  std::optional<COLORREF> Colour;    // the layout's text colour, when it gives one
};

TControlFont MakeControlFont(const TControlDesc& desc, HFONT areaFont);

// The height of a font of the given point size on the screen (negative: the character
// height without the internal leading).
LONG FontHeightForPoints(int32_t points);

}  // namespace setup::ui
