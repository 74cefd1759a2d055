#pragma once
// The controls of the wizard's pages as windows: created from the layout's control
// descriptions on the page area, with their fonts, colours, texts, pictures and files.
//
// The page area (page_area.h) paints its colour and the pictures of the shown pages
// itself (pictures have no window of their own), so that a transparent label, which
// asks the page area to paint what lies beneath it before drawing its text, shows the
// picture behind it. Every other control is a child window of the page area, and every
// control with a text keeps it as its window text (a driver program reads it).
//
// Positions, sizes and font sizes of the layout are pixels and points of a 96-DPI
// screen; every control shows them scaled to the page area's DPI.

#include <windows.h>

#include <memory>
#include <string>

#include "ui/model/page_layout.h"

namespace setup {
struct SetupContext;
}

namespace setup::ui {

class TGradGauge;
class TVX_ShellTreeView;
class TPageArea;

class TPageControl {
 public:
  virtual ~TPageControl() = default;
  TPageControl(const TPageControl&) = delete;
  TPageControl& operator=(const TPageControl&) = delete;

  const std::string& Name() const { return name_; }
  TControlType Type() const { return type_; }
  // The control's window; null for a picture (painted by the page area).
  virtual HWND Window() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;
  // Labels, radio buttons and panels: the caption becomes the caption expansion of the
  // raw text again (after a language switch). Others: nothing.
  virtual void RefreshCaption(const SetupContext& context) = 0;
  // The layout's "caption"/"text" before expansion (RawTexts).
  const std::u16string& RawText() const { return rawText_; }
  // Sends the control behind all other controls of the page area.
  virtual void SendToBack() = 0;
  // The page area's DPI changed: the control takes its layout place and its font at the
  // new DPI (the page area repaints itself afterwards).
  virtual void ApplyDpi() = 0;

  // The special controls: the gauge, the folder tree; null for other types.
  virtual TGradGauge* Gauge() { return nullptr; }
  virtual TVX_ShellTreeView* Tree() { return nullptr; }

  // Labels (and panels): sets the caption directly (status line, free space, finish
  // text) and repaints the label's rectangle with what lies behind it.
  virtual void SetCaption(const std::u16string& /*caption*/) {}
  // Edits: the text; radio buttons: the caption. Empty for others.
  virtual std::u16string Text() const { return {}; }
  virtual void SetText(const std::u16string& /*text*/) {}
  // Radio buttons: the checked state.
  virtual bool Checked() const { return false; }

 protected:
  TPageControl(std::string name, TControlType type, std::u16string rawText)
      : name_(std::move(name)), type_(type), rawText_(std::move(rawText)) {}

 private:
  std::string name_;
  TControlType type_;
  std::u16string rawText_;
};

// Creates the control described, as a child of the page area, hidden, with every
// property applied. Picture and rich-edit files are read from the context's package
// (through the temporary files the layouts expect); a missing rich-edit file shows the
// "Rich Edit Error" box. Raises SetupError for a picture whose extension is not
// supported, and for a picture entry whose name would lead out of the temporary folder.
// Buttons, bevels and gauges take no caption from the layout. Every control must be
// destroyed before the page area.
std::unique_ptr<TPageControl> CreatePageControl(const TControlDesc& desc, TPageArea& pageArea,
                                                SetupContext& context);

}  // namespace setup::ui
