// The wizard window itself: creation, the message dispatch, the set-up of the pages and
// the language switch. The page flow is in frm_main_pages.cpp, the install run in
// frm_main_run.cpp.
#include "ui/win32/frm_main.h"

#include <commctrl.h>

#include <stdexcept>

#include "platform/codepage.h"
#include "platform/win32/wide_text.h"
#include "script/path_variables.h"
#include "setup/error_report.h"
#include "ui/win32/callback_guard.h"
#include "ui/win32/common_controls.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_font.h"
#include "ui/win32/window_class.h"

namespace setup::ui {

namespace {

constexpr int kClientWidth = 578;
constexpr int kClientHeight = 413;
constexpr int kPageAreaHeight = 375;
constexpr int kBevelHeight = 3;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr const char* kPageSetEntry = "Pages.txt";

// The lower-case names of the special controls.
constexpr const char* kStatusLabelName = "patching_statuslabel";
constexpr const char* kProgressBarName = "patching_progressbar";
constexpr const char* kFinishTextName = "finishtext";
constexpr const char* kInstallDirEditName = "installdir_edit";
constexpr const char* kShellTreeName = "installdir_shelltreeview";
constexpr const char* kSpaceAvailableName = "spaceavalible";

// The glyph of the language button: a small arrow pointing down, right of the caption.
constexpr int kGlyphWidth = 9;
constexpr int kGlyphHeight = 5;

HMENU ControlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

// An image list with one down arrow in the button text colour, on a masked background.
HIMAGELIST CreateLanguageGlyph() {
  HIMAGELIST list = CreateImageList(kGlyphWidth, kGlyphHeight, ILC_COLOR32 | ILC_MASK, 1, 0);
  if (list == nullptr) return nullptr;
  const HDC screen = GetDC(nullptr);
  const HDC dc = CreateCompatibleDC(screen);
  const HBITMAP image = CreateCompatibleBitmap(screen, kGlyphWidth, kGlyphHeight);
  const HGDIOBJ previous = SelectObject(dc, image);
  const COLORREF mask = RGB(255, 0, 255);
  const RECT all{0, 0, kGlyphWidth, kGlyphHeight};
  const HBRUSH maskBrush = CreateSolidBrush(mask);
  FillRect(dc, &all, maskBrush);
  DeleteObject(maskBrush);
  const COLORREF arrow = GetSysColor(COLOR_BTNTEXT);
  for (int row = 0; row < kGlyphHeight; ++row) {
    for (int column = row; column < kGlyphWidth - row; ++column) SetPixel(dc, column, row, arrow);
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  AddMaskedImage(list, image, mask);
  DeleteObject(image);
  return list;
}

}  // namespace

TFrmMain::TFrmMain(SetupContext& context) : context_(context) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  InitCommonControlClasses(ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS);
  RegisterWindowClassOnce(instance, {kMainFormClass, WindowProc, GetSysColorBrush(COLOR_BTNFACE), 0,
                                     LoadIconW(instance, MAKEINTRESOURCEW(1))});

  font_.reset(CreateFontW(FontHeightForPoints(8), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                          L"MS Shell Dlg 2"));
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // Centred on the work area (the screen without the task bar).
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;
  window_.reset(CreateWindowExW(0, kMainFormClass, L"", kStyle, x, y, width, height, nullptr, nullptr, instance,
                                this));
  if (!window_) throw std::runtime_error("The main window could not be created.");
  SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
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

HWND TFrmMain::CreateButton(int id, const wchar_t* caption, int left, int top, int width, int height,
                            DWORD style) {
  HWND button = CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | style,
                                left, top, width, height, window_.get(), ControlId(id), GetModuleHandleW(nullptr),
                                nullptr);
  if (button == nullptr) throw std::runtime_error("The main window could not be created.");
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  return button;
}

void TFrmMain::CreateControls() {
  panel1_ = std::make_unique<TPageArea>(window_.get(), RECT{0, 0, kClientWidth, kPageAreaHeight});
  ShowWindow(panel1_->Window(), SW_SHOWNA);
  bevel2_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, 0, kPageAreaHeight,
                            kClientWidth, kBevelHeight, window_.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
  languageButton_ = CreateButton(kLanguageButtonId, L"", 8, 384, 89, 25);
  languageGlyph_ = CreateLanguageGlyph();
  if (languageGlyph_ != nullptr) {
    BUTTON_IMAGELIST glyph{languageGlyph_, {4, 0, 6, 0}, BUTTON_IMAGELIST_ALIGN_RIGHT};
    SendMessageW(languageButton_, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&glyph));
  }
  button2_ = CreateButton(kDebugButtonId, L"Debug", 112, 384, 75, 25);
  ShowWindow(button2_, SW_HIDE);  // nothing shows it
  backButton_ = CreateButton(kBackButtonId, L"", 344, 384, 73, 25);
  nextButton_ = CreateButton(kNextButtonId, L"", 416, 384, 73, 25);
  cancelButton_ = CreateButton(kCancelButtonId, L"", 496, 384, 75, 25);
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

// Enter presses the focused button; Escape presses Cancel. Only a shown, enabled
// button reacts, as it would to a click.
void TFrmMain::KeyboardCommand(int id) {
  const HWND target = id == IDOK ? GetFocus() : cancelButton_;
  const bool ours = target == languageButton_ || target == backButton_ || target == nextButton_ ||
                    target == cancelButton_;
  if (ours && IsWindowVisible(target) && IsWindowEnabled(target)) {
    PostMessageW(target, BM_CLICK, 0, 0);
  }
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
  UpdateWindow(window_.get());
  for (HWND button : {nextButton_, cancelButton_}) {
    if (IsWindowVisible(button) && IsWindowEnabled(button)) {
      SetFocus(button);
      break;
    }
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
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
