#pragma once
// What the page controls that are windows share: the child window on the page area,
// created hidden at the layout's place with the control's font, shown, hidden and sent
// to the back as a window. Internal to the page controls.

#include <windows.h>

#include <string>

#include "platform/win32/unique_handle.h"
#include "ui/model/page_layout.h"
#include "ui/win32/page_controls.h"
#include "ui/win32/page_font.h"

namespace setup::ui {

class TPageArea;

// The control's place in the page area in layout pixels: the layout's values, the
// default size where it gives none; a negative width or height counts as 0.
RECT ControlBounds(const TControlDesc& desc, SIZE defaultSize);

// The text of a window.
std::wstring WindowText(HWND window);

// A control's window among the area's children: shown without activation or hidden,
// whether it is shown (even while the area is hidden), moved to the front or the back.
void ShowChild(HWND window, bool visible);
bool ChildVisible(HWND window);
void ChildToFront(HWND window);
void ChildToBack(HWND window);

class TWindowControl : public TPageControl {
 public:
  HWND Window() const override { return window_.get(); }
  void SetVisible(bool visible) override;
  bool Visible() const override;
  void RefreshCaption(const SetupContext& /*context*/) override {}
  void SendToBack() override;
  // Moves the window to its layout place at the area's DPI and gives it its font at
  // that DPI.
  void ApplyDpi() override;

 protected:
  TWindowControl(const TControlDesc& desc, TPageArea& area);

  // Creates the window as a hidden child of the area, in front of its other children,
  // sets its font and applies "enabled". Throws SetupError when it cannot be created.
  void CreateChild(const TControlDesc& desc, DWORD exStyle, const wchar_t* className,
                   const std::wstring& text, DWORD style, SIZE defaultSize, void* createParam = nullptr);
  // Moves the window to its layout place at the area's DPI.
  void MoveToLayoutPlace();
  // Registers the layout's colours with the area for WM_CTLCOLOR*.
  void RegisterColours(std::optional<COLORREF> background, bool areaBackground);

  TPageArea& area_;
  TFontKeys fontKeys_;
  RECT layoutBounds_{};
  TControlFont font_;
  platform::win32::UniqueWindow window_;
};

}  // namespace setup::ui
