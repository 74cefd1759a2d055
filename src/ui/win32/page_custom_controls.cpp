// The system's own controls on a page: the gradient gauge ("tprogressbar") and the
// folder tree ("tshelltreeview"), each owning its window.

#include <memory>

#include "ui/win32/grad_gauge.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_control_kinds.h"
#include "ui/win32/page_window_control.h"
#include "ui/win32/shell_tree_view.h"
#include "ui/win32/window_dpi.h"

namespace setup::ui {

namespace {

constexpr SIZE kTreeSize{121, 97};

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// Shown, hidden and ordered as the window of the object it holds.
class TOwnedWindowControl : public TPageControl {
 public:
  void SetVisible(bool visible) override { ShowChild(Window(), visible); }
  bool Visible() const override { return ChildVisible(Window()); }
  void RefreshCaption(const SetupContext& /*context*/) override {}
  void SendToBack() override { ChildToBack(Window()); }
  void ApplyDpi() override {
    const RECT bounds = ScaleRect(layoutBounds_, area_.Dpi());
    SetWindowPos(Window(), nullptr, bounds.left, bounds.top, Width(bounds), Height(bounds),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetFont(area_.Font());
  }

 protected:
  TOwnedWindowControl(const TControlDesc& desc, TPageArea& area, SIZE defaultSize)
      : TPageControl(desc.Name, desc.Type, {}), area_(area), layoutBounds_(ControlBounds(desc, defaultSize)) {}

  virtual void SetFont(HFONT font) = 0;
  RECT Bounds() const { return ScaleRect(layoutBounds_, area_.Dpi()); }

  // In front of the area's other children, enabled as the layout says.
  void Place(const TControlDesc& desc) {
    ChildToFront(Window());
    if (desc.Enabled) EnableWindow(Window(), *desc.Enabled ? TRUE : FALSE);
  }

  TPageArea& area_;
  RECT layoutBounds_;
};

class TPageGauge final : public TOwnedWindowControl {
 public:
  TPageGauge(const TControlDesc& desc, TPageArea& area)
      : TOwnedWindowControl(desc, area, SIZE{kGaugeDefaultWidth, kGaugeDefaultHeight}) {
    const RECT bounds = Bounds();
    gauge_ = std::make_unique<TGradGauge>(area.Window(), bounds.left, bounds.top, Width(bounds), Height(bounds));
    gauge_->SetFont(area.Font());
    gauge_->SetBackgroundPainter([&area](HDC dc, const RECT& beneath) { area.PaintBackground(dc, beneath); });
    // One colour for both ends: a plain bar.
    if (desc.ForeColour) {
      gauge_->SetColor1(*desc.ForeColour);
      gauge_->SetColor2(*desc.ForeColour);
    }
    if (desc.BackColour) gauge_->SetBackcolor(*desc.BackColour);
    Place(desc);
  }

  HWND Window() const override { return gauge_->Window(); }
  TGradGauge* Gauge() override { return gauge_.get(); }

 private:
  void SetFont(HFONT font) override { gauge_->SetFont(font); }

  std::unique_ptr<TGradGauge> gauge_;
};

class TPageTree final : public TOwnedWindowControl {
 public:
  TPageTree(const TControlDesc& desc, TPageArea& area) : TOwnedWindowControl(desc, area, kTreeSize) {
    const RECT bounds = Bounds();
    tree_ = std::make_unique<TVX_ShellTreeView>(area.Window(), bounds.left, bounds.top, Width(bounds),
                                                Height(bounds));
    TVX_ShellTreeView* tree = tree_.get();
    area.SetNotifyHandler(tree->Window(), [tree](const NMHDR& header, LRESULT& result) {
      return tree->HandleNotify(&header, result);
    });
    tree->SetFont(area.Font());
    tree->SetBorder(desc.Border.value_or(true));
    if (desc.Colour) tree->SetBackgroundColour(*desc.Colour);
    if (desc.FontColour) {
      tree->SetFontColour(*desc.FontColour);
      tree->SetCustomFontCol(*desc.FontColour);
    }
    if (desc.FontSelColour) tree->SetCustomSelFontCol(*desc.FontSelColour);
    if (desc.SelColour) tree->SetCustomSelCol(*desc.SelColour);
    Place(desc);
  }

  HWND Window() const override { return tree_->Window(); }
  TVX_ShellTreeView* Tree() override { return tree_.get(); }

 private:
  void SetFont(HFONT font) override { tree_->SetFont(font); }

  std::unique_ptr<TVX_ShellTreeView> tree_;
};

}  // namespace

std::unique_ptr<TPageControl> CreateGaugeControl(const TControlDesc& desc, TPageArea& area) {
  return std::make_unique<TPageGauge>(desc, area);
}

std::unique_ptr<TPageControl> CreateTreeControl(const TControlDesc& desc, TPageArea& area) {
  return std::make_unique<TPageTree>(desc, area);
}

}  // namespace setup::ui
