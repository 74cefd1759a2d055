#include "ui/win32/page_font.h"

#include <algorithm>

#include "platform/win32/wide_text.h"
#include "ui/model/dpi_scale.h"
#include "ui/win32/system_colour.h"

namespace setup::ui {

namespace {

constexpr int32_t kDialogFontPoints = 8;
constexpr const wchar_t* kDialogFontFace = L"MS Shell Dlg 2";

}  // namespace

platform::win32::UniqueFont CreateDialogFont(int32_t dpi) {
  return platform::win32::UniqueFont(CreateFontW(FontHeightAtDpi(kDialogFontPoints, dpi), 0, 0, 0, FW_NORMAL, FALSE,
                                                 FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kDialogFontFace));
}

TControlFont MakeControlFont(const TFontKeys& keys, HFONT areaFont, int32_t dpi) {
  TControlFont font;
  font.Handle = areaFont;
  if (keys.Colour) font.Colour = ResolveColour(*keys.Colour);
  if (!keys.Face && !keys.Size && !keys.Bold) return font;

  LOGFONTW logFont{};
  if (areaFont == nullptr || GetObjectW(areaFont, sizeof logFont, &logFont) != sizeof logFont) {
    logFont = LOGFONTW{};
    logFont.lfHeight = FontHeightAtDpi(kDialogFontPoints, dpi);
    logFont.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(logFont.lfFaceName, kDialogFontFace);
  }
  if (keys.Face) {
    const std::wstring face = platform::win32::AnsiToWideString(*keys.Face);
    const size_t length = std::min(face.size(), static_cast<size_t>(LF_FACESIZE - 1));
    std::fill(std::begin(logFont.lfFaceName), std::end(logFont.lfFaceName), L'\0');
    std::copy_n(face.begin(), length, logFont.lfFaceName);
  }
  if (keys.Size) logFont.lfHeight = FontHeightAtDpi(*keys.Size, dpi);
  if (keys.Bold) logFont.lfWeight = *keys.Bold ? FW_BOLD : FW_NORMAL;

  font.Own.reset(CreateFontIndirectW(&logFont));
  if (font.Own) font.Handle = font.Own.get();
  return font;
}

}  // namespace setup::ui
