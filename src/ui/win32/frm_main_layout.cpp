// The wizard form's own controls and their places: the page area, the etched line and
// the buttons, laid out in pixels of a 96-DPI screen and scaled to the form's DPI, again
// when the form moves to a monitor of another DPI.
#include "ui/win32/frm_main.h"

#include <commctrl.h>

#include "ui/model/dpi_scale.h"
#include "ui/win32/common_controls.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_font.h"
#include "ui/win32/window_dpi.h"

namespace setup::ui {

namespace {

// The form's layout in pixels of a 96-DPI screen; shown scaled to the window's DPI.
constexpr int kClientWidth = 578;
constexpr int kClientHeight = 413;
constexpr RECT kPageAreaBounds{0, 0, kClientWidth, 375};
constexpr RECT kBevelBounds{0, 375, kClientWidth, 378};
struct TButtonPlace {
  int Id;
  RECT Bounds;
};
constexpr TButtonPlace kButtonPlaces[] = {
    {kLanguageButtonId, {8, 384, 97, 409}}, {kDebugButtonId, {112, 384, 187, 409}},
    {kBackButtonId, {344, 384, 417, 409}},  {kNextButtonId, {416, 384, 489, 409}},
    {kCancelButtonId, {496, 384, 571, 409}},
};
// The glyph of the language button: a small arrow pointing down, right of the caption.
constexpr int kGlyphWidth = 9;
constexpr int kGlyphHeight = 5;

HMENU ControlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

// An image list with one down arrow in the button text colour, on a masked background,
// at the DPI: each pixel takes the colour of the 96-DPI arrow's pixel it covers.
HIMAGELIST CreateLanguageGlyph(int32_t dpi) {
  const int width = ScaleSize(kGlyphWidth, dpi);
  const int height = ScaleSize(kGlyphHeight, dpi);
  HIMAGELIST list = CreateImageList(width, height, ILC_COLOR32 | ILC_MASK, 1, 0);
  if (list == nullptr) return nullptr;
  const HDC screen = GetDC(nullptr);
  const HDC dc = CreateCompatibleDC(screen);
  const HBITMAP image = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ previous = SelectObject(dc, image);
  const COLORREF mask = RGB(255, 0, 255);
  const RECT all{0, 0, width, height};
  const HBRUSH maskBrush = CreateSolidBrush(mask);
  FillRect(dc, &all, maskBrush);
  DeleteObject(maskBrush);
  const COLORREF arrow = GetSysColor(COLOR_BTNTEXT);
  for (int y = 0; y < height; ++y) {
    const int row = y * kGlyphHeight / height;
    for (int x = 0; x < width; ++x) {
      const int column = x * kGlyphWidth / width;
      if (column >= row && column < kGlyphWidth - row) SetPixel(dc, x, y, arrow);
    }
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  AddMaskedImage(list, image, mask);
  DeleteObject(image);
  return list;
}

}  // namespace

HWND TFrmMain::CreateButton(int id, const wchar_t* caption) {
  RECT bounds{};
  for (const TButtonPlace& place : kButtonPlaces) {
    if (place.Id == id) bounds = ScaleRect(place.Bounds, dpi_);
  }
  HWND button = CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                window_.get(), ControlId(id), GetModuleHandleW(nullptr), nullptr);
  if (button == nullptr) throw std::runtime_error("The main window could not be created.");
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  return button;
}

void TFrmMain::CreateControls() {
  const RECT area = ScaleRect(kPageAreaBounds, dpi_);
  panel1_ = std::make_unique<TPageArea>(window_.get(), area, dpi_);
  ShowWindow(panel1_->Window(), SW_SHOWNA);
  CreateBevel();
  languageButton_ = CreateButton(kLanguageButtonId, L"");
  SetLanguageGlyph();
  button2_ = CreateButton(kDebugButtonId, L"Debug");
  ShowWindow(button2_, SW_HIDE);  // nothing shows it
  backButton_ = CreateButton(kBackButtonId, L"");
  nextButton_ = CreateButton(kNextButtonId, L"");
  cancelButton_ = CreateButton(kCancelButtonId, L"");
}

// The line above the buttons. An etched line takes the size it wants when it is made,
// so a new DPI makes a new one rather than resizing it.
void TFrmMain::CreateBevel() {
  if (bevel2_ != nullptr) DestroyWindow(bevel2_);
  const RECT bevel = ScaleRect(kBevelBounds, dpi_);
  bevel2_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, bevel.left, bevel.top,
                            bevel.right - bevel.left, bevel.bottom - bevel.top, window_.get(), nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  // Behind the buttons, where it was made first.
  SetWindowPos(bevel2_, panel1_->Window(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TFrmMain::SetLanguageGlyph() {
  const HIMAGELIST previous = languageGlyph_;
  languageGlyph_ = CreateLanguageGlyph(dpi_);
  BUTTON_IMAGELIST glyph{languageGlyph_,
                         {ScaleLength(4, dpi_), 0, ScaleLength(6, dpi_), 0},
                         BUTTON_IMAGELIST_ALIGN_RIGHT};
  if (languageGlyph_ != nullptr) SendMessageW(languageButton_, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&glyph));
  if (previous != nullptr) DestroyImageList(previous);
}

// A move to a monitor of another DPI: the form, its controls and the pages take their
// places and fonts at the new DPI; the window keeps the top-left corner the system
// suggests (or its own, when it suggests none).
void TFrmMain::ApplyDpi(int32_t dpi, const RECT* suggested) {
  if (dpi == dpi_) return;
  dpi_ = dpi;
  platform::win32::UniqueFont font = CreateDialogFont(dpi_);
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  for (const TButtonPlace& place : kButtonPlaces) {
    const HWND button = GetDlgItem(window_.get(), place.Id);
    const RECT bounds = ScaleRect(place.Bounds, dpi_);
    SetWindowPos(button, nullptr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  }
  font_ = std::move(font);
  SetLanguageGlyph();
  CreateBevel();
  const RECT area = ScaleRect(kPageAreaBounds, dpi_);
  SetWindowPos(panel1_->Window(), nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  panel1_->SetDpi(dpi_);
  pageSet_->ApplyDpi();
  RECT now;
  GetWindowRect(window_.get(), &now);
  const POINT corner = suggested != nullptr ? POINT{suggested->left, suggested->top} : POINT{now.left, now.top};
  PlaceForm(&corner);
  RedrawWindow(window_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TFrmMain::PlaceForm(const POINT* corner) {
  PlaceWindow(window_.get(), ScaleLength(kClientWidth, dpi_), ScaleLength(kClientHeight, dpi_), dpi_, corner == nullptr,
              corner != nullptr ? *corner : POINT{});
}

}  // namespace setup::ui
