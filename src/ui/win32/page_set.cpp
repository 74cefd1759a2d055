#include "ui/win32/page_set.h"

#include "platform/win32/wide_text.h"
#include "script/setup_context.h"
#include "ui/model/dpi_scale.h"
#include "ui/model/field_labels.h"
#include "ui/win32/accessible_names.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_window_control.h"

namespace setup::ui {

namespace {

// Sets a window's text only when it changes: no flicker, no needless repaint.
void SetTextIfChanged(HWND window, const std::wstring& text) {
  const int length = GetWindowTextLengthW(window);
  std::wstring current(static_cast<size_t>(length) + 1, L'\0');
  current.resize(static_cast<size_t>(GetWindowTextW(window, current.data(), length + 1)));
  if (current != text) SetWindowTextW(window, text.c_str());
}

void ApplyButton(HWND window, const TButtonState& state, const TLanguages& languages) {
  if (window == nullptr) return;
  if (state.CaptionId != 0) {
    SetTextIfChanged(window, platform::win32::ToWide(languages.GetString(state.CaptionId)));
  }
  EnableWindow(window, state.Enabled ? TRUE : FALSE);
  ShowWindow(window, state.Visible ? SW_SHOWNA : SW_HIDE);
}

// How far above or left of a field its caption may end, in layout pixels.
constexpr int32_t kCaptionGap = 32;

bool Usable(HWND window) { return window != nullptr && IsWindowVisible(window) && IsWindowEnabled(window); }

}  // namespace

TVXPageControl::TVXPageControl(TWizardButtonWindows buttons, TPageArea& pageParent, SetupContext& context)
    : windows_(buttons), pageParent_(pageParent), context_(context) {}

void TVXPageControl::LoadFromPackage(const std::string& entryName) {
  const TPageSetDesc set = LoadPageSet(context_.Package, entryName);
  colour_ = set.Colour;
  pages_.reserve(set.Pages.size());
  for (const TPageDesc& desc : set.Pages) {
    TPage& page = pages_.emplace_back();
    page.EntryName = desc.EntryName;
    page.Type = desc.Type;
    page.Controls.reserve(desc.Controls.size());
    pageParent_.BeginPage();  // each page's radio buttons form a group of their own
    for (const TControlDesc& control : desc.Controls) {
      page.Controls.push_back(CreatePageControl(control, pageParent_, context_));
    }
  }
  SendMainLayoutToBack();
  NameFields();
  ShowPage(0);
}

void TVXPageControl::SendMainLayoutToBack() {
  // Last control first, so that the first ends up at the very back and the others keep
  // their order above it.
  for (TPage& page : pages_) {
    if (page.Type != TPageType::mainlayout) continue;
    for (auto control = page.Controls.rbegin(); control != page.Controls.rend(); ++control) {
      (*control)->SendToBack();
    }
  }
}

std::optional<TPageType> TVXPageControl::CurrentType() const {
  if (currentPage_ < 0 || static_cast<size_t>(currentPage_) >= pages_.size()) return std::nullopt;
  return pages_[static_cast<size_t>(currentPage_)].Type;
}

void TVXPageControl::ShowPage(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= pages_.size()) return;
  currentPage_ = index;
  ApplyPageButtons(buttons_, index, pages_[static_cast<size_t>(index)].Type);
  ApplyButtons();
  // Hide first, then show, so that no two pages' controls are up at the same moment.
  for (size_t i = 0; i < pages_.size(); ++i) {
    const bool shown = i == static_cast<size_t>(index) || pages_[i].Type == TPageType::mainlayout;
    if (!shown) {
      for (auto& control : pages_[i].Controls) control->SetVisible(false);
    }
  }
  for (size_t i = 0; i < pages_.size(); ++i) {
    const bool shown = i == static_cast<size_t>(index) || pages_[i].Type == TPageType::mainlayout;
    if (shown) {
      for (auto& control : pages_[i].Controls) control->SetVisible(true);
    }
  }
  // A new page starts with the focus on the button that goes on; a language switch
  // shows the same page again and leaves the focus where it is.
  const HWND form = windows_.Next != nullptr ? GetParent(windows_.Next) : nullptr;
  if (index != arrivedPage_) {
    arrivedPage_ = index;
    if (form != nullptr && IsWindowVisible(form) && Usable(DefaultButton())) SetFocus(DefaultButton());
    AnnounceTitle(pages_[static_cast<size_t>(index)]);
  }
}

std::vector<HWND> TVXPageControl::FocusOrder() const {
  std::vector<HWND> order;
  const auto add = [&order](HWND window) {
    if (Usable(window) && (GetWindowLongPtrW(window, GWL_STYLE) & WS_TABSTOP) != 0) order.push_back(window);
  };
  if (currentPage_ >= 0 && static_cast<size_t>(currentPage_) < pages_.size()) {
    for (const auto& control : pages_[static_cast<size_t>(currentPage_)].Controls) add(control->Window());
  }
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (i == static_cast<size_t>(currentPage_) || pages_[i].Type != TPageType::mainlayout) continue;
    for (const auto& control : pages_[i].Controls) add(control->Window());
  }
  for (HWND button : {windows_.Language, windows_.Back, windows_.Next, windows_.Cancel}) add(button);
  return order;
}

HWND TVXPageControl::DefaultButton() const { return buttons_.Next.Visible ? windows_.Next : windows_.Cancel; }

void TVXPageControl::RefreshCaptions() {
  for (TPage& page : pages_) {
    for (auto& control : page.Controls) control->RefreshCaption(context_);
  }
  NameFields();
}

void TVXPageControl::AnnounceTitle(const TPage& page) {
  for (const auto& control : page.Controls) {
    if (control->Type() != TControlType::Label || control->Window() == nullptr) continue;
    const std::wstring title = WindowText(control->Window());
    if (title.empty()) continue;
    SetAccessibleName(pageParent_.Window(), title);
    AnnounceAccessibleName(pageParent_.Window());
    return;
  }
}

void TVXPageControl::NameFields() {
  const int32_t maxGap = ScaleLength(kCaptionGap, pageParent_.Dpi());
  const auto placeOf = [this](HWND window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    MapWindowPoints(nullptr, pageParent_.Window(), reinterpret_cast<POINT*>(&bounds), 2);
    return TAreaRect{bounds.left, bounds.top, bounds.right, bounds.bottom};
  };
  for (const TPage& page : pages_) {
    std::vector<TAreaRect> fields, labels;
    std::vector<HWND> fieldWindows, labelWindows;
    for (const auto& control : page.Controls) {
      const HWND window = control->Window();
      if (window == nullptr) continue;
      switch (control->Type()) {
        case TControlType::Label:
          labels.push_back(placeOf(window));
          labelWindows.push_back(window);
          break;
        case TControlType::Edit:
        case TControlType::Memo:
        case TControlType::RichEdit:
        case TControlType::ShellTreeView:
        case TControlType::ProgressBar:
          fields.push_back(placeOf(window));
          fieldWindows.push_back(window);
          break;
        default:
          break;
      }
    }
    const std::vector<std::optional<size_t>> found = LabelsBeside(fields, labels, maxGap);
    for (size_t i = 0; i < found.size(); ++i) {
      if (found[i]) SetAccessibleName(fieldWindows[i], WindowText(labelWindows[*found[i]]));
    }
  }
}

void TVXPageControl::ApplyDpi() {
  for (TPage& page : pages_) {
    for (auto& control : page.Controls) control->ApplyDpi();
  }
  RECT all;
  GetClientRect(pageParent_.Window(), &all);
  pageParent_.Invalidate(all);
}

void TVXPageControl::ApplyButtons() {
  const HWND focus = GetFocus();
  ApplyButton(windows_.Back, buttons_.Back, context_.Languages);
  ApplyButton(windows_.Next, buttons_.Next, context_.Languages);
  ApplyButton(windows_.Cancel, buttons_.Cancel, context_.Languages);
  ApplyButton(windows_.Language, buttons_.Language, context_.Languages);
  // The default button shows a heavier frame.
  for (HWND button : {windows_.Next, windows_.Cancel}) {
    if (button == nullptr) continue;
    const DWORD wanted = button == DefaultButton() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if (static_cast<DWORD>(GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) != wanted) {
      SendMessageW(button, BM_SETSTYLE, wanted, TRUE);
    }
  }
  // A button that was hidden or disabled under the keyboard focus leaves the keyboard
  // nowhere (as does a run page, where no button can take it): hand the focus on to
  // the first button that can take it, once there is one.
  const HWND form = windows_.Next != nullptr ? GetParent(windows_.Next) : nullptr;
  const bool lost = focus == nullptr ? (form != nullptr && GetActiveWindow() == form)
                                     : (focus == windows_.Back || focus == windows_.Next ||
                                        focus == windows_.Cancel || focus == windows_.Language) &&
                                           !Usable(focus);
  if (!lost) return;
  for (HWND button : {windows_.Next, windows_.Cancel, windows_.Back}) {
    if (Usable(button)) {
      SetFocus(button);
      return;
    }
  }
}

}  // namespace setup::ui
