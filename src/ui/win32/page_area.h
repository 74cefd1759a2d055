#pragma once
// The wizard's page area: a child window of the main form that paints its colour and
// the pictures of the controls now shown (pictures have no windows), and hosts the
// other controls as child windows. A transparent label asks it to paint the part of the
// area beneath it into the label's own drawing context.
//
// The area also answers for its child windows what Windows asks their parent: their
// colours (WM_CTLCOLOR*), their notifications (WM_NOTIFY, handed to the control that
// owns the child) and their commands (a change of an edit's text, a click on a button),
// handed to a handler registered per child. What it keeps per child ends with the child
// window.
//
// Every control must be destroyed before the area.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <list>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "ui/win32/page_gdi.h"

namespace setup::ui {

// A picture as the page area paints it (see page_controls.h for how it is made).
class IPaintedPicture {
 public:
  virtual ~IPaintedPicture() = default;
  virtual bool Visible() const = 0;
  // Paints the picture into dc, whose origin is the page area's.
  virtual void Paint(HDC dc) const = 0;
  virtual RECT Bounds() const = 0;  // in page-area coordinates
};

// The colours a child window is drawn with when it asks its parent (edits, statics,
// buttons). Unset: the system's, except that AreaBackground gives the area's colour.
struct TChildColours {
  std::optional<COLORREF> Text;
  std::optional<COLORREF> Background;
  bool AreaBackground = false;  // no Background: paint on the area's colour
};

class TPageArea {
 public:
  // Creates the area as a child of parent at the given place (screen pixels), hidden
  // until shown, with its font at the DPI. Throws std::runtime_error when the window
  // cannot be created.
  TPageArea(HWND parent, const RECT& bounds, int32_t dpi);
  ~TPageArea();
  TPageArea(const TPageArea&) = delete;
  TPageArea& operator=(const TPageArea&) = delete;

  HWND Window() const { return window_.get(); }
  void SetColour(uint32_t colour);  // 0x00BBGGRR; repaints the area and its children
  uint32_t Colour() const { return colour_; }
  HFONT Font() const { return font_.get(); }  // the area's font ("MS Shell Dlg 2", 8 point)
  // The DPI the pages are shown at: controls scale their layout bounds and fonts by it.
  int32_t Dpi() const { return dpi_; }
  // A new DPI: the area's font is made again at it (the previous one lives on until the
  // next change, so that controls can still use it until they take the new one).
  void SetDpi(int32_t dpi);

  // Pictures in painting order: the first is painted first (at the back). SendToBack
  // moves one to the front of the list. A picture removes itself before it ends.
  void AddPicture(const IPaintedPicture* picture);
  void SendPictureToBack(const IPaintedPicture* picture);
  void RemovePicture(const IPaintedPicture* picture);

  // Paints the colour and the visible pictures that intersect area (page-area
  // coordinates) into dc, whose origin is at area's top-left corner.
  void PaintBackground(HDC dc, const RECT& area) const;
  // Repaints the area and every child window in the rectangle.
  void Invalidate(const RECT& area);

  // Per child window:
  void SetChildColours(HWND child, const TChildColours& colours);
  // Called when the child reports a change: EN_CHANGE of an edit or rich edit,
  // BN_CLICKED of a button or radio button. Replaces an earlier handler; an empty one
  // removes it.
  void SetChangeHandler(HWND child, std::function<void()> handler);
  // Called for every WM_NOTIFY whose sender is the child; returns true when it handled
  // the notification and set result.
  using NotifyHandler = std::function<bool(const NMHDR& header, LRESULT& result)>;
  void SetNotifyHandler(HWND child, NotifyHandler handler);

  // Radio buttons: those added after one BeginPage (and before the next) form one
  // group; checking one, by a click or by CheckRadio, unchecks the others of its group.
  // Without any BeginPage, all radio buttons of the area form one group.
  void BeginPage();
  void AddRadio(HWND radio);
  void CheckRadio(HWND radio);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void PrintWithChildren(HDC dc, LPARAM flags);
  LRESULT ChildColour(UINT message, HDC dc, HWND child);
  void ForgetChild(HWND child);
  HBRUSH BrushFor(COLORREF colour);

  platform::win32::UniqueWindow window_;
  platform::win32::UniqueFont font_;
  platform::win32::UniqueFont retiredFont_;
  int32_t dpi_ = 96;
  uint32_t colour_ = 0xFFFFFF;
  UniqueGdiObject colourBrush_;

  // Pictures: a list for the painting order, an index for moving one in constant time.
  std::list<const IPaintedPicture*> pictures_;
  std::unordered_map<const IPaintedPicture*, std::list<const IPaintedPicture*>::iterator> pictureIndex_;

  std::unordered_map<HWND, TChildColours> childColours_;
  std::unordered_map<COLORREF, UniqueGdiObject> brushes_;
  std::unordered_map<HWND, std::function<void()>> changeHandlers_;
  std::unordered_map<HWND, NotifyHandler> notifyHandlers_;

  uint32_t radioGroup_ = 0;
  std::unordered_map<HWND, uint32_t> radioGroups_;                // radio -> its group
  std::unordered_map<uint32_t, std::vector<HWND>> radiosByGroup_;  // group -> its radios
};

}  // namespace setup::ui
