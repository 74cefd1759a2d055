// Push buttons (no caption from the layout) and radio buttons (caption-expanded UTF-16
// caption, on the page area's colour). The page area groups the radio buttons by page
// and unchecks the others of a group when one is checked.

#include "platform/win32/wide_text.h"
#include "script/setup_context.h"
#include "ui/model/caption.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_control_kinds.h"
#include "ui/win32/page_window_control.h"

namespace setup::ui {

namespace {

using platform::win32::FromWide;
using platform::win32::ToWide;

constexpr SIZE kButtonSize{75, 25};
constexpr SIZE kRadioSize{113, 17};

class TPageButton final : public TWindowControl {
 public:
  TPageButton(const TControlDesc& desc, TPageArea& area) : TWindowControl(desc, area) {
    CreateChild(desc, 0, L"BUTTON", L"", WS_TABSTOP | BS_PUSHBUTTON, kButtonSize);
  }
};

class TPageRadio final : public TWindowControl {
 public:
  TPageRadio(const TControlDesc& desc, TPageArea& area, const SetupContext& context) : TWindowControl(desc, area) {
    // Checked and unchecked by the page area, not by the button itself.
    CreateChild(desc, 0, L"BUTTON", ToWide(ExpandCaption(context.Languages, context.Macros, desc.RawText)),
                WS_TABSTOP | BS_RADIOBUTTON, kRadioSize);
    RegisterColours(std::nullopt, true);
    area_.AddRadio(window_.get());
    if (desc.Checked.value_or(false)) area_.CheckRadio(window_.get());
  }

  void RefreshCaption(const SetupContext& context) override {
    SetWindowTextW(window_.get(), ToWide(ExpandCaption(context.Languages, context.Macros, RawText())).c_str());
  }
  std::u16string Text() const override { return FromWide(WindowText(window_.get())); }
  void SetText(const std::u16string& text) override { SetWindowTextW(window_.get(), ToWide(text).c_str()); }
  bool Checked() const override {
    return SendMessageW(window_.get(), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
};

}  // namespace

std::unique_ptr<TPageControl> CreateButtonControl(const TControlDesc& desc, TPageArea& area,
                                                  const SetupContext& context) {
  if (desc.Type == TControlType::Radio) return std::make_unique<TPageRadio>(desc, area, context);
  return std::make_unique<TPageButton>(desc, area);
}

}  // namespace setup::ui
