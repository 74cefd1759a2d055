#include "ui/win32/grad_gauge.h"

#include <oleacc.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/win32/wide_text.h"
#include "ui/win32/accessible_names.h"
#include "ui/win32/paint_scope.h"
#include "ui/win32/window_class.h"

namespace setup::ui {

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A GDI object (pen, brush) owned for the length of one paint.
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};
using UniqueGdiObject = platform::win32::UniqueHandle<GdiObjectTraits>;

// Selects an object into a drawing context and puts the previous one back.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~Selection() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A memory drawing context, deleted at the end of the scope.
class MemoryDc {
 public:
  explicit MemoryDc(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
  ~MemoryDc() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

void FillSolid(HDC dc, const RECT& area, COLORREF colour) {
  UniqueGdiObject brush(CreateSolidBrush(colour));
  if (brush) FillRect(dc, &area, static_cast<HBRUSH>(brush.get()));
}

// A top-down 32-bit DIB section of the given size; pixels receives its rows.
HBITMAP CreateRows(int width, int height, uint32_t** pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  *pixels = bitmap != nullptr ? static_cast<uint32_t*>(bits) : nullptr;
  return bitmap;
}

// The border path of the raised and lowered styles: the first colour for the top-left
// edges, the second for the bottom-right ones.
void DrawBevel(HDC dc, int width, int height, COLORREF first, COLORREF second) {
  UniqueGdiObject firstPen(CreatePen(PS_SOLID, 1, first));
  UniqueGdiObject secondPen(CreatePen(PS_SOLID, 1, second));
  {
    Selection pen(dc, firstPen.get());
    MoveToEx(dc, 1, height, nullptr);
    LineTo(dc, 1, 1);
    LineTo(dc, width - 1, 1);
  }
  Selection pen(dc, secondPen.get());
  LineTo(dc, width - 1, height - 1);
  LineTo(dc, 0, height - 1);
}

}  // namespace

// --- TGaugePainter ------------------------------------------------------------------------

TGaugePainter::TGaugePainter(const TGaugeModel& model) {
  Resize(model, kGaugeDefaultWidth, kGaugeDefaultHeight - kGaugeGradientHeightLoss);
}

void TGaugePainter::Resize(const TGaugeModel& model, int width, int height) {
  gradient_.reset();
  pixels_ = nullptr;
  gradientWidth_ = std::max(width, 0);
  gradientHeight_ = std::max(height, 0);
  if (gradientWidth_ > 0 && gradientHeight_ > 0) {
    gradient_.reset(CreateRows(gradientWidth_, gradientHeight_, &pixels_));
  }
  RebuildGradient(model);
}

void TGaugePainter::RebuildGradient(const TGaugeModel& model) {
  if (pixels_ == nullptr) return;
  GdiFlush();  // the section may still be in use by a pending drawing call
  const COLORREF first = ResolveColour(model.Color1());
  const COLORREF second = ResolveColour(model.Color2());
  for (int y = 0; y < gradientHeight_; ++y) {
    const uint32_t colour = GradientRowColour(first, second, y, gradientHeight_);
    // DIB pixels are 0x00RRGGBB.
    const uint32_t pixel = ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
    uint32_t* row = pixels_ + static_cast<size_t>(y) * static_cast<size_t>(gradientWidth_);
    std::fill(row, row + gradientWidth_, pixel);
  }
}

void TGaugePainter::Paint(HDC dc, const TGaugeModel& model, int width, int height, HFONT font,
                          COLORREF textColour) {
  if (gradientWidth_ != std::max(width, 0) ||
      gradientHeight_ != std::max(height - kGaugeGradientHeightLoss, 0)) {
    Resize(model, width, height - kGaugeGradientHeightLoss);
  }

  // Border: a one-pixel pen, nothing filled.
  const COLORREF borderColour = ResolveColour(model.BorderColor());
  {
    Selection brush(dc, GetStockObject(NULL_BRUSH));
    switch (model.BorderStyle()) {
      case TggBorderStyle::ggSolid: {
        UniqueGdiObject borderPen(CreatePen(PS_SOLID, 1, borderColour));
        Selection pen(dc, borderPen.get());
        Rectangle(dc, 1, 1, width, height);
        break;
      }
      case TggBorderStyle::ggRaised:
        DrawBevel(dc, width, height, kWhite, borderColour);
        break;
      case TggBorderStyle::ggLowered:
        DrawBevel(dc, width, height, borderColour, kWhite);
        break;
    }
  }

  // The bar: the gradient stretched into it, or one colour when both are the same.
  const int percent = GaugeBarPercent(model.Progress(), model.Min(), model.Max());
  const int bar = GaugeBarWidth(width, percent);
  if (bar != 0) {
    const RECT barArea{2, 2, bar + 2, height - 1};
    if (model.Color1() != model.Color2() && gradient_) {
      MemoryDc source(dc);
      Selection bitmap(source.get(), gradient_.get());
      const int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
      StretchBlt(dc, barArea.left, barArea.top, barArea.right - barArea.left,
                 barArea.bottom - barArea.top, source.get(), 0, 0, gradientWidth_, gradientHeight_,
                 SRCCOPY);
      SetStretchBltMode(dc, previousMode);
    } else {
      FillSolid(dc, barArea, ResolveColour(model.Color1()));
    }
  }
  // The unfilled part, inside the border.
  if (percent < 100) {
    FillSolid(dc, RECT{bar + 2, 2, width - 1, height - 1}, ResolveColour(model.Backcolor()));
  }

  // The caption, centred on one line, over whatever lies beneath.
  const std::wstring caption = platform::win32::AnsiToWideString(model.Caption());
  Selection selectedFont(dc, font);
  const int previousMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF previousColour = SetTextColor(dc, textColour);
  RECT whole{0, 0, width, height};
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &whole,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SetTextColor(dc, previousColour);
  SetBkMode(dc, previousMode);
}

// --- TGradGauge ---------------------------------------------------------------------------

TGradGauge::TGradGauge(HWND parent, int left, int top, int width, int height) : painter_(model_) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterWindowClassOnce(instance, {kGradGaugeClass, &TGradGauge::WindowProc, nullptr, CS_HREDRAW | CS_VREDRAW});
  shownCaption_ = platform::win32::AnsiToWideString(model_.Caption());
  window_.reset(CreateWindowExW(0, kGradGaugeClass, shownCaption_.c_str(), WS_CHILD | WS_CLIPSIBLINGS,
                                left, top, width, height, parent, nullptr, instance, this));
  if (!window_) throw std::runtime_error("The progress gauge could not be created.");
  // Screen readers read it as a progress bar whose value is the percentage shown.
  SetAccessibleRole(window_.get(), ROLE_SYSTEM_PROGRESSBAR);
  SetAccessibleValue(window_.get(), shownCaption_);
  // Like any control, the gauge starts with its parent's font.
  font_ = parent != nullptr ? reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0)) : nullptr;
  if (font_ == nullptr) font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

TGradGauge::~TGradGauge() = default;

LRESULT CALLBACK TGradGauge::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* gauge = reinterpret_cast<TGradGauge*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    // Destroyed with its parent: the owner must not destroy it again.
    if (gauge != nullptr && gauge->window_.get() == window) gauge->window_.release();
    return DefWindowProcW(window, message, wParam, lParam);
  }
  if (gauge == nullptr || gauge->window_.get() != window) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return gauge->Handle(message, wParam, lParam);
}

LRESULT TGradGauge::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the buffered paint covers everything
    case WM_PAINT:
      PaintBuffered();
      return 0;
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam) != 0) InvalidateRect(window_.get(), nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    default:
      return DefWindowProcW(window_.get(), message, wParam, lParam);
  }
}

void TGradGauge::Apply(const TGaugeUpdate& update) {
  const std::wstring caption = platform::win32::AnsiToWideString(model_.Caption());
  if (caption != shownCaption_) {
    shownCaption_ = caption;
    SetWindowTextW(window_.get(), shownCaption_.c_str());
    SetAccessibleValue(window_.get(), shownCaption_);
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, window_.get(), OBJID_CLIENT, CHILDID_SELF);
  }
  if (update.RebuildGradient) painter_.RebuildGradient(model_);
  if (update.PaintNow) {
    RedrawWindow(window_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  } else if (update.Invalidate) {
    InvalidateRect(window_.get(), nullptr, FALSE);
  }
}

void TGradGauge::SetProgress(int32_t value) { Apply(model_.SetProgress(value)); }
void TGradGauge::SetMin(int32_t value) { Apply(model_.SetMin(value)); }
void TGradGauge::SetMax(int32_t value) { Apply(model_.SetMax(value)); }
void TGradGauge::SetAutocaption(bool value) { Apply(model_.SetAutocaption(value)); }
void TGradGauge::SetCaption(const std::string& value) { Apply(model_.SetCaption(value)); }
void TGradGauge::SetColor1(uint32_t value) { Apply(model_.SetColor1(value)); }
void TGradGauge::SetColor2(uint32_t value) { Apply(model_.SetColor2(value)); }
void TGradGauge::SetBackcolor(uint32_t value) { Apply(model_.SetBackcolor(value)); }
void TGradGauge::SetBorderColor(uint32_t value) { Apply(model_.SetBorderColor(value)); }
void TGradGauge::SetBorderStyle(TggBorderStyle value) { Apply(model_.SetBorderStyle(value)); }

void TGradGauge::SetFont(HFONT font) {
  if (font == font_) return;
  font_ = font;
  InvalidateRect(window_.get(), nullptr, FALSE);
}

void TGradGauge::PaintBackground(HDC dc, int width, int height) {
  const HWND parent = GetParent(window_.get());
  RECT area{0, 0, width, height};
  if (parent != nullptr) MapWindowPoints(window_.get(), parent, reinterpret_cast<POINT*>(&area), 2);
  if (background_) {
    background_(dc, area);
    return;
  }
  FillSolid(dc, RECT{0, 0, width, height}, GetSysColor(COLOR_BTNFACE));
  if (parent == nullptr) return;
  // The parent paints as if dc were its own, shifted so that the gauge's corner lies
  // at the gauge's place in the parent.
  POINT previous{};
  SetWindowOrgEx(dc, area.left, area.top, &previous);
  SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  SetWindowOrgEx(dc, previous.x, previous.y, nullptr);
}

void TGradGauge::PaintTo(HDC dc) {
  RECT client{};
  GetClientRect(window_.get(), &client);
  PaintBackground(dc, client.right, client.bottom);
  painter_.Paint(dc, model_, client.right, client.bottom, font_, GetSysColor(COLOR_WINDOWTEXT));
}

void TGradGauge::PaintBuffered() {
  const TPaintScope paint(window_.get());
  const HDC dc = paint.Dc();
  if (dc == nullptr) return;
  RECT client{};
  GetClientRect(window_.get(), &client);
  if (client.right > 0 && client.bottom > 0) {
    MemoryDc buffer(dc);
    UniqueBitmap bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (buffer.get() != nullptr && bitmap) {
      Selection selected(buffer.get(), bitmap.get());
      PaintTo(buffer.get());
      BitBlt(dc, 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
    } else {
      PaintTo(dc);  // unbuffered rather than not at all
    }
  }
}

}  // namespace setup::ui
