#include "ui/win32/page_font.h"

#include <algorithm>

#include "platform/win32/wide_text.h"
#include "ui/win32/system_colour.h"

namespace setup::ui {

LONG FontHeightForPoints(int32_t points) {
  int pixelsPerInch = 96;
  if (HDC screen = GetDC(nullptr)) {
    pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  // A size beyond any sensible font is cut back rather than overflowing.
  const int clamped = std::clamp<int32_t>(points, -2000, 2000);
  return -MulDiv(clamped, pixelsPerInch, 72);
}

TControlFont MakeControlFont(const TControlDesc& desc, HFONT areaFont) {
  TControlFont font;
  font.Handle = areaFont;
  if (desc.FontColour) font.Colour = ResolveColour(*desc.FontColour);
  if (!desc.FontFace && !desc.FontSize && !desc.FontBold) return font;

  LOGFONTW logFont{};
  if (areaFont == nullptr || GetObjectW(areaFont, sizeof logFont, &logFont) != sizeof logFont) {
    logFont = LOGFONTW{};
    logFont.lfHeight = FontHeightForPoints(8);
    logFont.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(logFont.lfFaceName, L"MS Shell Dlg 2");
  }
  if (desc.FontFace) {
    const std::wstring face = platform::win32::AnsiToWideString(*desc.FontFace);
    const size_t length = std::min(face.size(), static_cast<size_t>(LF_FACESIZE - 1));
    std::fill(std::begin(logFont.lfFaceName), std::end(logFont.lfFaceName), L'\0');
    std::copy_n(face.begin(), length, logFont.lfFaceName);
  }
  if (desc.FontSize) logFont.lfHeight = FontHeightForPoints(*desc.FontSize);
  if (desc.FontBold) logFont.lfWeight = *desc.FontBold ? FW_BOLD : FW_NORMAL;

  font.Own.reset(CreateFontIndirectW(&logFont));
  if (font.Own) font.Handle = font.Own.get();
  return font;
}

}  // namespace setup::ui
