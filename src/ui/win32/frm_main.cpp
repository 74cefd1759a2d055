// The wizard window itself: creation, the message dispatch and the keyboard, the set-up
// of the pages and the language switch. The form's controls and their places are in
// frm_main_layout.cpp, the page flow in frm_main_pages.cpp, the install run in
// frm_main_run.cpp.
#include "ui/win32/frm_main.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "platform/codepage.h"
#include "platform/win32/wide_text.h"
#include "script/path_variables.h"
#include "setup/error_report.h"
#include "ui/model/dpi_scale.h"
#include "ui/win32/callback_guard.h"
#include "ui/win32/common_controls.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_font.h"
#include "ui/win32/window_class.h"
#include "ui/win32/window_dpi.h"

namespace setup::ui {

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr const char* kPageSetEntry = "Pages.txt";

// The lower-case names of the special controls.
constexpr const char* kStatusLabelName = "patching_statuslabel";
constexpr const char* kProgressBarName = "patching_progressbar";
constexpr const char* kFinishTextName = "finishtext";
constexpr const char* kInstallDirEditName = "installdir_edit";
constexpr const char* kShellTreeName = "installdir_shelltreeview";
constexpr const char* kSpaceAvailableName = "spaceavalible";

}  // namespace

TFrmMain::TFrmMain(SetupContext& context) : context_(context) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  InitCommonControlClasses(ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS);
  RegisterWindowClassOnce(instance, {kMainFormClass, WindowProc, GetSysColorBrush(COLOR_BTNFACE), 0,
                                     LoadIconW(instance, MAKEINTRESOURCEW(1))});

  window_.reset(CreateWindowExW(0, kMainFormClass, L"", kStyle, 0, 0, 0, 0, nullptr, nullptr, instance, this));
  if (!window_) throw std::runtime_error("The main window could not be created.");
  // The window's size follows the DPI of the monitor it opens on.
  dpi_ = WindowDpi(window_.get());
  font_ = CreateDialogFont(dpi_);
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  PlaceForm(nullptr);
  CreateControls();

  pageSet_ = std::make_unique<TVXPageControl>(
      TWizardButtonWindows{backButton_, nextButton_, cancelButton_, languageButton_}, *panel1_, context_);
  RunRemoval = [](TFrmMain& form) { form.UninstallRun(); };
  StartFinaliser = [](TFrmMain& form) { form.UninstallFinish(); };
  // An error inside the run ends the process through the error report.
  thread_ = std::make_unique<TSetupThread>(
      context_, [](const std::string& message, const std::string& type) { WriteErrorReport(message, type); });
}

TFrmMain::~TFrmMain() {
  if (thread_) {
    context_.Run.ShuttingDown = true;
    thread_->RequestStop();
    thread_->Join();
    thread_.reset();
  }
  // The pages' controls go before the page area, the page area before the form.
  pageSet_.reset();
  panel1_.reset();
  if (languagePopupMenu_ != nullptr) DestroyMenu(languagePopupMenu_);
  if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  window_.reset();
  if (languageGlyph_ != nullptr) DestroyImageList(languageGlyph_);
}

LRESULT CALLBACK TFrmMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<TFrmMain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    // Destroyed from outside: the form must not destroy it again.
    if (form != nullptr && form->window_.get() == window) form->window_.release();
  }
  // Messages sent while CreateWindowExW runs arrive before window_ holds the handle.
  if (form == nullptr || form->window_.get() != window) return DefWindowProcW(window, message, wParam, lParam);
  return form->HandleMessage(message, wParam, lParam);
}

LRESULT TFrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (lParam != 0 && HIWORD(wParam) == BN_CLICKED) {
        switch (id) {
          case kLanguageButtonId: Guarded([this] { LanguageButtonClick(); }); return 0;
          case kDebugButtonId: Guarded([this] { Button2Click(); }); return 0;
          case kBackButtonId: Guarded([this] { BackButtonClick(); }); return 0;
          case kNextButtonId: Guarded([this] { NextButtonClick(); }); return 0;
          case kCancelButtonId: Guarded([this] { CancelButtonClick(); }); return 0;
          default: break;
        }
      } else if (lParam == 0 && HIWORD(wParam) == 0 && id >= kLanguageMenuFirstId &&
                 id < kLanguageMenuFirstId + static_cast<int>(context_.Languages.Languages().size())) {
        // A language menu item as a menu command (the pop-up returns its choice
        // directly; a driver program picks a language this way).
        if (languageButton_ != nullptr && IsWindowVisible(languageButton_)) {
          Guarded([this, id] { English1Click(id - kLanguageMenuFirstId); });
        }
      } else if (lParam == 0 && (id == IDOK || id == IDCANCEL)) {
        // The keyboard (Enter, Escape), as the dialog manager reports it.
        Guarded([this, id] { KeyboardCommand(id); });
      }
      return 0;
    }
    case WM_ACTIVATE:
      // The focus goes back where it was when the form is active again (after a message
      // box, which has no owner), or to the default button; never to the form itself.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_.get(), focus)) lastFocus_ = focus;
      } else if (!IsIconic(window_.get())) {
        const HWND target = lastFocus_ != nullptr && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_) &&
                                    IsWindowEnabled(lastFocus_)
                                ? lastFocus_
                                : pageSet_ ? pageSet_->DefaultButton() : nullptr;
        if (target != nullptr && IsWindowVisible(target) && IsWindowEnabled(target)) SetFocus(target);
      }
      return 0;
    case WM_DPICHANGED:
      // The suggested rectangle may be missing when the message comes from elsewhere.
      Guarded([this, wParam, lParam] { ApplyDpi(UsableDpi(LOWORD(wParam)), reinterpret_cast<const RECT*>(lParam)); });
      return 0;
    case WM_CLOSE:
      Guarded([this] {
        if (closed_ || !FormCloseQuery()) return;
        closedOnFinish_ = pageSet_->CurrentType() == TPageType::finish;
        FormClose();
        closed_ = true;
        // The windows go with the form, pages first; the message loop ends here.
        ShowWindow(window_.get(), SW_HIDE);
        PostQuitMessage(0);
      });
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_.get(), message, wParam, lParam);
}

// Enter presses the focused button, or the default button (Next, or Finish) when the
// focus is elsewhere (the folder field, the tree); Escape presses Cancel. Only a shown,
// enabled button reacts, as it would to a click.
void TFrmMain::KeyboardCommand(int id) {
  const HWND focus = GetFocus();
  const bool onButton = focus == languageButton_ || focus == backButton_ || focus == nextButton_ ||
                        focus == cancelButton_;
  const HWND target = id == IDCANCEL ? cancelButton_ : onButton ? focus : pageSet_->DefaultButton();
  if (target != nullptr && IsWindowVisible(target) && IsWindowEnabled(target)) {
    // As the button reports a click, without taking the focus from where it is.
    PostMessageW(window_.get(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(target), BN_CLICKED),
                 reinterpret_cast<LPARAM>(target));
  }
}

// Tab and Shift+Tab: the focus to the next (previous) window of the page set's focus
// order, round again. A single-line edit reached this way has its text selected.
// Multi-line fields let Tab through too; Ctrl+Tab stays theirs.
bool TFrmMain::TabKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || GetKeyState(VK_CONTROL) < 0) return false;
  if (!window_ || (message.hwnd != window_.get() && !IsChild(window_.get(), message.hwnd))) return false;
  const std::vector<HWND> order = pageSet_->FocusOrder();
  if (order.empty()) return true;
  const bool backwards = GetKeyState(VK_SHIFT) < 0;
  const auto at = std::find(order.begin(), order.end(), GetFocus());
  size_t index = backwards ? order.size() - 1 : 0;
  if (at != order.end()) {
    const auto position = static_cast<size_t>(at - order.begin());
    index = backwards ? (position + order.size() - 1) % order.size() : (position + 1) % order.size();
  }
  const HWND next = order[index];
  SetFocus(next);
  if ((SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0 &&
      (GetWindowLongPtrW(next, GWL_STYLE) & ES_MULTILINE) == 0) {
    SendMessageW(next, EM_SETSEL, 0, -1);
  }
  return true;
}

void TFrmMain::Guarded(const std::function<void()>& handler) { GuardCallback(handler); }

void TFrmMain::SetPagesUp() {
  using platform::win32::ToWide;
  const TSetupInfoFile& info = context_.SetupInfo;
  // 1: the title; the caption begins with a blank.
  std::u16string title = info.IsUninstaller == 1
                             ? platform::AnsiToWide(info.ShortName) + u" " + context_.Languages.GetString(kTextUninstallTitle)
                             : platform::AnsiToWide(info.SetupName);
  SetWindowTextW(window_.get(), ToWide(u" " + title).c_str());

  // 2: the pages, and the area's colour.
  pageSet_->LoadFromPackage(kPageSetEntry);
  panel1_->SetColour(pageSet_->Colour());

  // 3: the special controls; 4: InstallDir without path variables.
  FindSpecialControls();
  context_.SetupInfo.InstallDir =
      ExpandVariables(context_.SetupInfo.InstallDir, context_.SetupInfo, context_.Variables);

  // 5: the tree, shown for a moment so that it can select the folder.
  if (shellTree_ != nullptr) {
    AttachTreeChange();
    shellTree_->SetVisible(true);
    SynchroniseTree(context_.SetupInfo.InstallDir, false);
    shellTree_->SetVisible(false);
  }
  // 6: the field; its change handler comes after its text, so setting it raises none.
  if (installDirEdit_ != nullptr) {
    SetFolderFieldText(context_.SetupInfo.InstallDir);
    panel1_->SetChangeHandler(installDirEdit_->Window(), [this] { Guarded([this] { InstallDir_Edit_Change(); }); });
  }
  RegisterHandOffControls();

  // 7: the captions, with the page type's own for the page shown.
  ResetButtonCaptions(pageSet_->Buttons());
  pageSet_->ShowPage(pageSet_->CurrentPage());
  // 8: the languages.
  SetupLanguages();
}

void TFrmMain::FindSpecialControls() {
  statusLabel_ = progressBar_ = finishText_ = installDirEdit_ = shellTree_ = spaceAvailable_ = nullptr;
  for (const TVXPageControl::TPage& page : pageSet_->Pages()) {
    for (const auto& control : page.Controls) {
      const std::string name = platform::AnsiLowerCase(control->Name());
      TPageControl* found = control.get();
      if (name == kStatusLabelName) {
        statusLabel_ = found;
      } else if (name == kProgressBarName) {
        progressBar_ = found;
      } else if (name == kFinishTextName) {
        finishText_ = found;
      } else if (name == kInstallDirEditName) {
        installDirEdit_ = found;
      } else if (name == kShellTreeName) {
        shellTree_ = found;
      } else if (name == kSpaceAvailableName) {
        spaceAvailable_ = found;
      }
    }
  }
  // A control of another kind than its role needs cannot serve it: the feature is off.
  if (progressBar_ != nullptr && progressBar_->Gauge() == nullptr) progressBar_ = nullptr;
  if (shellTree_ != nullptr && shellTree_->Tree() == nullptr) shellTree_ = nullptr;
  if (installDirEdit_ != nullptr && installDirEdit_->Type() != TControlType::Edit) installDirEdit_ = nullptr;
  if (spaceAvailable_ != nullptr && spaceAvailable_->Type() != TControlType::Label) spaceAvailable_ = nullptr;
}

void TFrmMain::RegisterHandOffControls() {
  context_.HandOff.RegisterControls(statusLabel_ != nullptr, progressBar_ != nullptr, finishText_ != nullptr);
}

ExitCode TFrmMain::Run() {
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  // The focus and the mnemonics' underlines always show, not only once a key is pressed.
  SendMessageW(window_.get(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  UpdateWindow(window_.get());
  for (HWND button : {nextButton_, cancelButton_}) {
    if (IsWindowVisible(button) && IsWindowEnabled(button)) {
      SetFocus(button);
      break;
    }
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (TabKey(message)) continue;
    if (window_ && IsDialogMessageW(window_.get(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (!closedOnFinish_) return ExitCode::Cancelled;
  return context_.Run.SetupFailed ? ExitCode::ScriptFailed : ExitCode::Success;
}

// ---- languages ----

void TFrmMain::SetLanguageButtonCaption() {
  const TLanguage* language = context_.Languages.CurrentLanguage();
  if (language != nullptr) SetWindowTextW(languageButton_, platform::win32::ToWide(language->Name()).c_str());
}

void TFrmMain::SetupLanguages() {
  SetLanguageButtonCaption();
  const auto& languages = context_.Languages.Languages();
  if (languages.size() < 2) {
    pageSet_->Buttons().Language.Visible = false;
    pageSet_->ApplyButtons();
  }
  if (languagePopupMenu_ != nullptr) DestroyMenu(languagePopupMenu_);
  languagePopupMenu_ = CreatePopupMenu();
  if (languagePopupMenu_ == nullptr) return;
  for (size_t i = 0; i < languages.size(); ++i) {
    const UINT flags = MF_STRING | (static_cast<int32_t>(i) == context_.Languages.Current ? MF_CHECKED : MF_UNCHECKED);
    AppendMenuW(languagePopupMenu_, flags, static_cast<UINT_PTR>(kLanguageMenuFirstId + i),
                platform::win32::ToWide(languages[i].Name()).c_str());
  }
}

void TFrmMain::SetupCheckedLanguage() {
  if (languagePopupMenu_ == nullptr) return;
  const int count = GetMenuItemCount(languagePopupMenu_);
  for (int i = 0; i < count; ++i) {
    CheckMenuItem(languagePopupMenu_, static_cast<UINT>(i),
                  MF_BYPOSITION | (i == context_.Languages.Current ? MF_CHECKED : MF_UNCHECKED));
  }
}

void TFrmMain::LanguageButtonClick() {
  if (languagePopupMenu_ == nullptr) return;
  RECT button;
  GetWindowRect(languageButton_, &button);
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(languagePopupMenu_,
                                                       TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY,
                                                       button.left, button.bottom, 0, window_.get(), nullptr));
  const auto count = static_cast<UINT>(context_.Languages.Languages().size());
  if (chosen >= static_cast<UINT>(kLanguageMenuFirstId) && chosen < kLanguageMenuFirstId + count) {
    English1Click(static_cast<int32_t>(chosen - kLanguageMenuFirstId));
  }
}

void TFrmMain::English1Click(int32_t languageIndex) {
  context_.Languages.Current = languageIndex;
  SetLanguageButtonCaption();
  SetupCheckedLanguage();
  ResetButtonCaptions(pageSet_->Buttons());
  pageSet_->ShowPage(pageSet_->CurrentPage());
  RecheckNext();
  pageSet_->RefreshCaptions();
}

}  // namespace setup::ui
