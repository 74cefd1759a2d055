#pragma once
// The wizard's page set as windows: every page of "Pages.txt" with its controls on the
// page area, the page now shown, and the state of the form's Back, Next, Cancel and
// language buttons, which ShowPage sets by the page's type (ui/model/wizard_flow.h).

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/model/page_layout.h"
#include "ui/model/wizard_flow.h"
#include "ui/win32/page_controls.h"

namespace setup {
struct SetupContext;
}

namespace setup::ui {

class TPageArea;

// The form's buttons whose state the page set decides (not owned).
struct TWizardButtonWindows {
  HWND Back = nullptr;
  HWND Next = nullptr;
  HWND Cancel = nullptr;
  HWND Language = nullptr;
};

class TVXPageControl {
 public:
  struct TPage {
    std::string EntryName;
    TPageType Type = TPageType::welcome;
    std::vector<std::unique_ptr<TPageControl>> Controls;  // in file order
  };

  TVXPageControl(TWizardButtonWindows buttons, TPageArea& pageParent, SetupContext& context);
  TVXPageControl(const TVXPageControl&) = delete;
  TVXPageControl& operator=(const TVXPageControl&) = delete;

  // Reads the page set entry and builds every page's controls, hidden; sends the
  // main-layout controls to the back and shows page 0. Raises what the layout raises
  // (an integer that is none, a bad or duplicate control name, an unknown picture
  // kind); the pages built so far stay.
  void LoadFromPackage(const std::string& entryName);

  // Shows the page at index (nothing when there is none): its controls and those of
  // every main-layout page, every other control hidden, and the buttons by its type.
  // On arrival at another page (the wizard shown) the focus goes to the default button
  // and screen readers are told the page's title (the text of its first label).
  void ShowPage(int32_t index);
  // Every label, radio button and panel caption expanded again from its raw text.
  void RefreshCaptions();
  // The page area's DPI changed: every control takes its place and font at it.
  void ApplyDpi();
  // Names every edit, memo, rich edit, folder tree and gauge for screen readers after the
  // label beside it (ui/model/field_labels.h), on every page.
  void NameFields();

  int32_t CurrentPage() const { return currentPage_; }
  // The type of the page shown; nullopt without pages.
  std::optional<TPageType> CurrentType() const;
  const std::vector<TPage>& Pages() const { return pages_; }
  uint32_t Colour() const { return colour_; }

  // The buttons' state; after changing it, ApplyButtons shows it on the windows and
  // marks the default button.
  TWizardButtons& Buttons() { return buttons_; }
  void ApplyButtons();
  // The button Enter presses when the focus is on no button: Next, or Cancel where Next
  // is hidden (it reads Finish there).
  HWND DefaultButton() const;
  // Where Tab takes the focus, in order: the shown page's controls in their file order,
  // those of the main-layout pages, then the language, Back, Next and Cancel buttons;
  // only shown, enabled windows that take the focus (edits, memos, rich edits, radio
  // buttons, push buttons, the folder tree).
  std::vector<HWND> FocusOrder() const;

 private:
  void SendMainLayoutToBack();
  void AnnounceTitle(const TPage& page);

  TWizardButtonWindows windows_;
  TPageArea& pageParent_;
  SetupContext& context_;
  int32_t currentPage_ = 0;
  int32_t arrivedPage_ = -1;  // the page the focus was last put on the default button for
  std::vector<TPage> pages_;
  uint32_t colour_ = 0xFFFFFF;
  TWizardButtons buttons_;
};

}  // namespace setup::ui
