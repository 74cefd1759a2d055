// Single-line edits (UTF-16 text, caption-expanded) and memos (multi-line, 8-bit text),
// both standard edit windows coloured through the page area.

#include "platform/win32/wide_text.h"
#include "script/setup_context.h"
#include "ui/model/caption.h"
#include "ui/model/dpi_scale.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_control_kinds.h"
#include "ui/win32/page_gdi.h"
#include "ui/win32/page_window_control.h"
#include "ui/win32/system_colour.h"

namespace setup::ui {

namespace {

using platform::win32::FromWide;
using platform::win32::ToWide;

constexpr SIZE kEditSize{121, 21};
constexpr SIZE kMemoSize{185, 89};

// A multi-line edit breaks lines only at CR LF: a lone CR (what "<BR>" becomes) or LF
// is made into a pair, so that it shows as a line break.
std::wstring WithLineBreaks(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r') {
      out += L"\r\n";
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else if (c == L'\n') {
      out += L"\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

class TPageEdit final : public TWindowControl {
 public:
  TPageEdit(const TControlDesc& desc, TPageArea& area, const SetupContext& context)
      : TWindowControl(desc, area),
        border_(desc.Border.value_or(true)),
        fitHeight_(desc.Type == TControlType::Edit && desc.AutoSize.value_or(false)) {
    const bool border = border_;
    const bool memo = desc.Type == TControlType::Memo;
    std::wstring text;
    DWORD style = WS_TABSTOP | ES_LEFT;
    if (memo) {
      style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
      if (desc.PlainText) text = WithLineBreaks(platform::win32::AnsiToWideString(*desc.PlainText));
    } else {
      style |= ES_AUTOHSCROLL;
      text = ToWide(ExpandCaption(context.Languages, context.Macros, desc.RawText));
    }
    CreateChild(desc, border ? WS_EX_CLIENTEDGE : 0, L"EDIT", text, style, memo ? kMemoSize : kEditSize);
    RegisterColours(desc.Colour ? std::optional<COLORREF>(ResolveColour(*desc.Colour)) : std::nullopt, false);
    if (fitHeight_) FitHeight();
  }

  void ApplyDpi() override {
    TWindowControl::ApplyDpi();
    if (fitHeight_) FitHeight();
  }

  std::u16string Text() const override { return FromWide(WindowText(window_.get())); }
  void SetText(const std::u16string& text) override { SetWindowTextW(window_.get(), ToWide(text).c_str()); }

 private:
  // An automatic size keeps the width and makes the edit as high as its font's line,
  // with room for the border.
  void FitHeight() {
    const HDC dc = GetDC(window_.get());
    if (dc == nullptr) return;
    const HGDIOBJ previous = SelectObject(dc, font_.Handle);
    TEXTMETRICW metrics{};
    const bool measured = GetTextMetricsW(dc, &metrics) != FALSE;
    SelectObject(dc, previous);
    ReleaseDC(window_.get(), dc);
    if (!measured) return;
    const int height = metrics.tmHeight + (border_ ? ScaleLength(8 * GetSystemMetrics(SM_CYBORDER), area_.Dpi()) : 0);
    RECT bounds;
    GetWindowRect(window_.get(), &bounds);
    SetWindowPos(window_.get(), nullptr, 0, 0, bounds.right - bounds.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  bool border_;
  bool fitHeight_;
};

}  // namespace

std::unique_ptr<TPageControl> CreateEditControl(const TControlDesc& desc, TPageArea& area,
                                                const SetupContext& context) {
  return std::make_unique<TPageEdit>(desc, area, context);
}

}  // namespace setup::ui
