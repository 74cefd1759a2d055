// Labels, panels and bevels: windows of one class of their own that draw themselves.
// A transparent label or a bevel first has the page area paint what lies beneath it
// (colour and pictures), so that pictures show through; an opaque label fills with the
// area's colour; a panel is a raised face with its caption centred. The caption is the
// window text, so that a driver program can read it.

#include <oleacc.h>

#include <algorithm>

#include "platform/codepage.h"
#include "platform/win32/wide_text.h"
#include "script/setup_context.h"
#include "ui/model/caption.h"
#include "ui/win32/accessible_names.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_control_kinds.h"
#include "ui/win32/page_gdi.h"
#include "ui/win32/page_window_control.h"
#include "ui/win32/paint_scope.h"
#include "ui/win32/window_class.h"

namespace setup::ui {

namespace {

using platform::win32::ToWide;

constexpr const wchar_t* kPageLabelClass = L"SetupPageLabel";

// Default sizes where the layout gives none.
constexpr SIZE kLabelSize{65, 17};
constexpr SIZE kPanelSize{185, 41};
constexpr SIZE kBevelSize{50, 50};

enum class TStaticKind { Label, Panel, Bevel };

// A panel shows 8-bit text: what the system code page cannot hold becomes "?".
std::wstring PanelText(std::u16string_view caption) {
  return platform::win32::AnsiToWideString(platform::WideToAnsi(caption));
}

RECT Union(const RECT& a, const RECT& b) {
  RECT both;
  UnionRect(&both, &a, &b);
  return both;
}

class TPageStatic final : public TWindowControl {
 public:
  TPageStatic(const TControlDesc& desc, TPageArea& area, const SetupContext& context, TStaticKind kind)
      : TWindowControl(desc, area),
        kind_(kind),
        transparent_(desc.Transparent.value_or(false)),
        wordWrap_(desc.WordWrap.value_or(false)),
        autoSize_(desc.AutoSize.value_or(false)) {
    RegisterWindowClassOnce(GetModuleHandleW(nullptr), {kPageLabelClass, WindowProc});
    const SIZE defaultSize = kind == TStaticKind::Label   ? kLabelSize
                             : kind == TStaticKind::Panel ? kPanelSize
                                                          : kBevelSize;
    CreateChild(desc, 0, kPageLabelClass, ShownText(ExpandCaption(context.Languages, context.Macros, desc.RawText)),
                0, defaultSize, this);
    AdjustBounds();
    // Screen readers read a label or panel as the text it shows, a bevel as a separator.
    SetAccessibleRole(window_.get(), kind == TStaticKind::Bevel ? ROLE_SYSTEM_SEPARATOR : ROLE_SYSTEM_STATICTEXT);
    if (kind != TStaticKind::Bevel) SetAccessibleName(window_.get(), WindowText(window_.get()));
  }

  void RefreshCaption(const SetupContext& context) override {
    if (kind_ == TStaticKind::Bevel) return;
    SetCaption(ExpandCaption(context.Languages, context.Macros, RawText()));
  }

  void ApplyDpi() override {
    TWindowControl::ApplyDpi();
    AdjustBounds();
  }

  void SetCaption(const std::u16string& caption) override {
    if (kind_ == TStaticKind::Bevel) return;
    // WM_SETTEXT resizes and repaints (see HandleMessage), whoever sends it.
    SetWindowTextW(window_.get(), ShownText(caption).c_str());
  }

 private:
  std::wstring ShownText(std::u16string_view caption) const {
    if (kind_ == TStaticKind::Bevel) return {};
    return kind_ == TStaticKind::Panel ? PanelText(caption) : ToWide(caption);
  }

  // The window's place in page-area coordinates.
  RECT AreaBounds() const {
    RECT bounds;
    GetWindowRect(window_.get(), &bounds);
    MapWindowPoints(HWND_DESKTOP, area_.Window(), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
  }

  UINT TextFlags() const {
    return DT_EXPANDTABS | DT_NOPREFIX | (wordWrap_ ? DT_WORDBREAK : 0);
  }

  // An automatic size follows the text: its extent on one line per line break, or with
  // word wrap the height of the text wrapped at the label's width.
  void AdjustBounds() {
    if (kind_ != TStaticKind::Label || !autoSize_) return;
    std::wstring text = WindowText(window_.get());
    if (text.empty()) text = L" ";  // one line high
    RECT client;
    GetClientRect(window_.get(), &client);
    RECT extent{0, 0, wordWrap_ ? client.right : 0, 0};
    const HDC dc = GetDC(window_.get());
    if (dc == nullptr) return;
    const HGDIOBJ previous = SelectObject(dc, font_.Handle);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent, TextFlags() | DT_CALCRECT);
    SelectObject(dc, previous);
    ReleaseDC(window_.get(), dc);
    const int width = wordWrap_ ? client.right : extent.right;
    if (width != client.right || extent.bottom != client.bottom) {
      SetWindowPos(window_.get(), nullptr, 0, 0, width, extent.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  void TextChanged(const RECT& before) {
    SetAccessibleName(window_.get(), WindowText(window_.get()));
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window_.get(), OBJID_CLIENT, CHILDID_SELF);
    AdjustBounds();
    const RECT after = AreaBounds();
    if (EqualRect(&before, &after)) {
      // The label paints all of its rectangle, what lies beneath included.
      InvalidateRect(window_.get(), nullptr, FALSE);
    } else {
      area_.Invalidate(Union(before, after));
    }
  }

  void PaintCaption(HDC dc, RECT bounds, UINT flags) const {
    const std::wstring text = WindowText(window_.get());
    if (text.empty()) return;
    const HGDIOBJ previous = SelectObject(dc, font_.Handle);
    SetBkMode(dc, TRANSPARENT);
    if (IsWindowEnabled(window_.get())) {
      SetTextColor(dc, font_.Colour.value_or(GetSysColor(kind_ == TStaticKind::Panel ? COLOR_BTNTEXT
                                                                                    : COLOR_WINDOWTEXT)));
      ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds, flags);
    } else {
      // Disabled: embossed, a light copy one pixel down and right under a shaded one.
      OffsetRect(&bounds, 1, 1);
      SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
      ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds, flags);
      OffsetRect(&bounds, -1, -1);
      SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
      ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds, flags);
    }
    SelectObject(dc, previous);
  }

  static void Line(HDC dc, COLORREF colour, std::initializer_list<POINT> points) {
    UniqueGdiObject pen(CreatePen(PS_SOLID, 1, colour));
    const HGDIOBJ previous = SelectObject(dc, pen.get());
    auto point = points.begin();
    MoveToEx(dc, point->x, point->y, nullptr);
    for (++point; point != points.end(); ++point) LineTo(dc, point->x, point->y);
    SelectObject(dc, previous);
  }

  void PaintTo(HDC dc) const {
    RECT client;
    GetClientRect(window_.get(), &client);
    switch (kind_) {
      case TStaticKind::Label:
        if (transparent_) {
          area_.PaintBackground(dc, AreaBounds());
        } else {
          UniqueGdiObject brush(CreateSolidBrush(area_.Colour()));
          FillRect(dc, &client, static_cast<HBRUSH>(brush.get()));
        }
        PaintCaption(dc, client, TextFlags());
        break;
      case TStaticKind::Panel: {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        RECT edge = client;
        DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
        InflateRect(&edge, -1, -1);
        PaintCaption(dc, edge, DT_EXPANDTABS | DT_NOPREFIX | DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        break;
      }
      case TStaticKind::Bevel: {
        // A lowered box: shaded above and to the left, lit below and to the right.
        area_.PaintBackground(dc, AreaBounds());
        const LONG right = client.right - 1;
        const LONG bottom = client.bottom - 1;
        Line(dc, GetSysColor(COLOR_BTNSHADOW), {{0, bottom}, {0, 0}, {right, 0}});
        Line(dc, GetSysColor(COLOR_BTNHIGHLIGHT), {{right, 0}, {right, bottom}, {0, bottom}});
        break;
      }
    }
  }

  void Paint() const {
    const TPaintScope paint(window_.get());
    const HDC dc = paint.Dc();
    if (dc == nullptr) return;
    RECT client;
    GetClientRect(window_.get(), &client);
    // Off screen first: a status line that changes every moment must not flicker.
    TMemoryDc buffer(dc, client.right, client.bottom);
    if (buffer.Dc() != nullptr) {
      PaintTo(buffer.Dc());
      BitBlt(dc, 0, 0, client.right, client.bottom, buffer.Dc(), 0, 0, SRCCOPY);
    } else {
      PaintTo(dc);
    }
  }

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = window_.get();
    switch (message) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT:
        Paint();
        return 0;
      case WM_PRINTCLIENT:
        PaintTo(reinterpret_cast<HDC>(wParam));
        return 0;
      case WM_SETTEXT: {
        const RECT before = AreaBounds();
        const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
        TextChanged(before);
        return result;
      }
      case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_.Handle);
      case WM_ENABLE:
        InvalidateRect(window, nullptr, FALSE);
        break;
      case WM_NCHITTEST:
        // Like a painted caption, a label or bevel lets the mouse through.
        if (kind_ != TStaticKind::Panel) return HTTRANSPARENT;
        break;
      default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* label = reinterpret_cast<TPageStatic*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (label == nullptr || label->window_.get() != window) {
      // While CreateWindowExW runs; the caption it sets needs no repaint yet.
      return DefWindowProcW(window, message, wParam, lParam);
    }
    return label->HandleMessage(message, wParam, lParam);
  }

  TStaticKind kind_;
  bool transparent_;
  bool wordWrap_;
  bool autoSize_;
};

}  // namespace

std::unique_ptr<TPageControl> CreateLabelControl(const TControlDesc& desc, TPageArea& area,
                                                 const SetupContext& context) {
  const TStaticKind kind = desc.Type == TControlType::Panel   ? TStaticKind::Panel
                           : desc.Type == TControlType::Bevel ? TStaticKind::Bevel
                                                              : TStaticKind::Label;
  return std::make_unique<TPageStatic>(desc, area, context, kind);
}

}  // namespace setup::ui
