#include "ui/win32/page_area.h"

#include <oleacc.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "ui/win32/accessible_names.h"
#include "ui/win32/page_font.h"
#include "ui/win32/paint_scope.h"
#include "ui/win32/system_colour.h"
#include "ui/win32/window_class.h"

namespace setup::ui {

namespace {

constexpr const wchar_t* kPageAreaClass = L"SetupPageArea";

bool Intersects(const RECT& a, const RECT& b) {
  RECT common;
  return IntersectRect(&common, &a, &b) != FALSE;
}

}  // namespace

TPageArea::TPageArea(HWND parent, const RECT& bounds, int32_t dpi) : dpi_(dpi) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterWindowClassOnce(instance, {kPageAreaClass, WindowProc});
  font_ = CreateDialogFont(dpi);
  colourBrush_.reset(CreateSolidBrush(colour_));
  // A control parent: the dialog keys (Tab, arrows) reach the controls inside it.
  window_.reset(CreateWindowExW(WS_EX_CONTROLPARENT, kPageAreaClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                bounds.left, bounds.top, bounds.right - bounds.left,
                                bounds.bottom - bounds.top, parent, nullptr, instance, this));
  if (!window_) throw std::runtime_error("The page area could not be created.");
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  SetAccessibleRole(window_.get(), ROLE_SYSTEM_PROPERTYPAGE);
}

TPageArea::~TPageArea() {
  // The window first: its children report their end while the maps still exist.
  window_.reset();
}

void TPageArea::SetDpi(int32_t dpi) {
  if (dpi == dpi_) return;
  dpi_ = dpi;
  retiredFont_ = std::move(font_);
  font_ = CreateDialogFont(dpi);
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

void TPageArea::SetColour(uint32_t colour) {
  colour_ = ResolveColour(colour);
  colourBrush_.reset(CreateSolidBrush(colour_));
  RedrawWindow(window_.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TPageArea::AddPicture(const IPaintedPicture* picture) {
  if (picture == nullptr || pictureIndex_.count(picture) != 0) return;
  pictureIndex_[picture] = pictures_.insert(pictures_.end(), picture);
}

void TPageArea::SendPictureToBack(const IPaintedPicture* picture) {
  const auto found = pictureIndex_.find(picture);
  if (found == pictureIndex_.end()) return;
  pictures_.splice(pictures_.begin(), pictures_, found->second);
  if (picture->Visible()) Invalidate(picture->Bounds());
}

void TPageArea::RemovePicture(const IPaintedPicture* picture) {
  const auto found = pictureIndex_.find(picture);
  if (found == pictureIndex_.end()) return;
  pictures_.erase(found->second);
  pictureIndex_.erase(found);
}

void TPageArea::PaintBackground(HDC dc, const RECT& area) const {
  const int saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, -area.left, -area.top, nullptr);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  FillRect(dc, &area, static_cast<HBRUSH>(colourBrush_.get()));
  for (const IPaintedPicture* picture : pictures_) {
    if (picture->Visible() && Intersects(picture->Bounds(), area)) picture->Paint(dc);
  }
  RestoreDC(dc, saved);
}

void TPageArea::Invalidate(const RECT& area) {
  RedrawWindow(window_.get(), &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TPageArea::SetChildColours(HWND child, const TChildColours& colours) {
  childColours_[child] = colours;
  InvalidateRect(child, nullptr, TRUE);
}

void TPageArea::SetChangeHandler(HWND child, std::function<void()> handler) {
  if (handler) {
    changeHandlers_[child] = std::move(handler);
  } else {
    changeHandlers_.erase(child);
  }
}

void TPageArea::SetNotifyHandler(HWND child, NotifyHandler handler) {
  if (handler) {
    notifyHandlers_[child] = std::move(handler);
  } else {
    notifyHandlers_.erase(child);
  }
}

void TPageArea::BeginPage() { ++radioGroup_; }

void TPageArea::AddRadio(HWND radio) {
  if (radio == nullptr || radioGroups_.count(radio) != 0) return;
  radioGroups_[radio] = radioGroup_;
  radiosByGroup_[radioGroup_].push_back(radio);
}

void TPageArea::CheckRadio(HWND radio) {
  SendMessageW(radio, BM_SETCHECK, BST_CHECKED, 0);
  const auto group = radioGroups_.find(radio);
  if (group == radioGroups_.end()) return;
  for (HWND other : radiosByGroup_[group->second]) {
    if (other != radio) SendMessageW(other, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

void TPageArea::ForgetChild(HWND child) {
  childColours_.erase(child);
  changeHandlers_.erase(child);
  notifyHandlers_.erase(child);
  const auto group = radioGroups_.find(child);
  if (group != radioGroups_.end()) {
    std::vector<HWND>& radios = radiosByGroup_[group->second];
    radios.erase(std::remove(radios.begin(), radios.end(), child), radios.end());
    radioGroups_.erase(group);
  }
}

HBRUSH TPageArea::BrushFor(COLORREF colour) {
  UniqueGdiObject& brush = brushes_[colour];
  if (!brush) brush.reset(CreateSolidBrush(colour));
  return static_cast<HBRUSH>(brush.get());
}

LRESULT TPageArea::ChildColour(UINT message, HDC dc, HWND child) {
  const auto found = childColours_.find(child);
  if (found == childColours_.end()) {
    return DefWindowProcW(window_.get(), message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
  }
  const TChildColours& colours = found->second;
  LRESULT result;
  if (colours.Background || colours.AreaBackground) {
    const COLORREF background = colours.Background ? *colours.Background : colour_;
    SetBkColor(dc, background);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(child) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    result = reinterpret_cast<LRESULT>(colours.Background ? BrushFor(background)
                                                          : static_cast<HBRUSH>(colourBrush_.get()));
  } else {
    result = DefWindowProcW(window_.get(), message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
  }
  if (colours.Text && IsWindowEnabled(child)) SetTextColor(dc, *colours.Text);
  return result;
}

void TPageArea::Paint() {
  const TPaintScope paint(window_.get());
  const HDC dc = paint.Dc();
  if (dc == nullptr) return;
  const RECT& area = paint.Area();
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  // Off screen first, so that the pictures never flicker over the colour.
  TMemoryDc buffer(dc, width, height);
  if (buffer.Dc() != nullptr) {
    PaintBackground(buffer.Dc(), area);
    BitBlt(dc, area.left, area.top, width, height, buffer.Dc(), 0, 0, SRCCOPY);
  } else {
    const int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, area.left, area.top, nullptr);
    PaintBackground(dc, area);
    RestoreDC(dc, saved);
  }
}

// Printing the area (WM_PRINT) draws its client area and then, when asked, every
// visible child from the back to the front, each at its place.
void TPageArea::PrintWithChildren(HDC dc, LPARAM flags) {
  if ((flags & PRF_CHECKVISIBLE) != 0 && !IsWindowVisible(window_.get())) return;
  RECT client;
  GetClientRect(window_.get(), &client);
  if ((flags & PRF_CLIENT) != 0) PaintBackground(dc, client);
  if ((flags & PRF_CHILDREN) == 0) return;
  for (HWND child = GetWindow(GetWindow(window_.get(), GW_CHILD), GW_HWNDLAST); child != nullptr;
       child = GetWindow(child, GW_HWNDPREV)) {
    if ((GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) == 0) continue;
    RECT bounds;
    GetWindowRect(child, &bounds);
    MapWindowPoints(HWND_DESKTOP, window_.get(), reinterpret_cast<POINT*>(&bounds), 2);
    const int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, bounds.left, bounds.top, nullptr);
    IntersectClipRect(dc, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top);
    SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    RestoreDC(dc, saved);
  }
}

LRESULT TPageArea::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND window = window_.get();
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT paints everything
    case WM_PAINT:
      Paint();
      return 0;
    case WM_PRINTCLIENT: {
      RECT client;
      GetClientRect(window, &client);
      PaintBackground(reinterpret_cast<HDC>(wParam), client);
      return 0;
    }
    case WM_PRINT:
      PrintWithChildren(reinterpret_cast<HDC>(wParam), lParam);
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      return ChildColour(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_COMMAND: {
      const HWND child = reinterpret_cast<HWND>(lParam);
      const UINT code = HIWORD(wParam);
      if (child == nullptr) break;
      if (code == BN_CLICKED && radioGroups_.count(child) != 0) CheckRadio(child);
      if (code == EN_CHANGE || code == BN_CLICKED) {
        const auto found = changeHandlers_.find(child);
        if (found != changeHandlers_.end()) {
          // A copy: the handler may replace itself.
          const std::function<void()> handler = found->second;
          handler();
        }
      }
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header == nullptr) break;
      const auto found = notifyHandlers_.find(header->hwndFrom);
      if (found != notifyHandlers_.end()) {
        const NotifyHandler handler = found->second;
        LRESULT result = 0;
        if (handler(*header, result)) return result;
      }
      break;
    }
    case WM_PARENTNOTIFY:
      if (LOWORD(wParam) == WM_DESTROY) ForgetChild(reinterpret_cast<HWND>(lParam));
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK TPageArea::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* area = reinterpret_cast<TPageArea*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  // Messages sent while CreateWindowExW runs arrive before window_ holds the handle.
  if (area == nullptr || area->window_.get() != window) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return area->HandleMessage(message, wParam, lParam);
}

}  // namespace setup::ui
