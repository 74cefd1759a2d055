#pragma once
// The wizard window of the installer and the uninstaller: the page area filled from
// the layout files, a separator, and the language, Back, Next and Cancel buttons. It
// builds the pages, walks through them, keeps the installation folder, the folder tree
// and the free space in step on the folder page, runs the install script on the worker
// thread and shows its status and progress (as uninstaller: runs the removal and starts
// the finaliser), switches languages, and asks before the user quits early.

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/win32/unique_handle.h"
#include "script/setup_context.h"
#include "script/setup_thread.h"
#include "setup/main_form.h"
#include "ui/win32/folder_refusal_tip.h"
#include "ui/win32/page_set.h"

namespace setup::ui {

inline constexpr const wchar_t* kMainFormClass = L"TFrmMain";

// Control identifiers of the form's own buttons (a driver program finds them by these).
inline constexpr int kLanguageButtonId = 301;
inline constexpr int kDebugButtonId = 302;
inline constexpr int kBackButtonId = 303;
inline constexpr int kNextButtonId = 304;
inline constexpr int kCancelButtonId = 305;
// Items of the language menu: this id plus the language's index.
inline constexpr int kLanguageMenuFirstId = 1000;

class TPageArea;
class TPageControl;

class TFrmMain final : public IMainForm {
 public:
  // FormCreate: the window, hidden, with its fixed controls and the empty page set,
  // and the idle worker thread. Throws std::runtime_error when the window cannot be
  // created.
  explicit TFrmMain(SetupContext& context);
  // Stops the worker thread if closing has not, then destroys the pages and windows.
  ~TFrmMain() override;
  TFrmMain(const TFrmMain&) = delete;
  TFrmMain& operator=(const TFrmMain&) = delete;

  void SetPagesUp() override;
  // Shows the window and processes messages until the form has closed. Success when
  // the wizard closed on its finish page (ScriptFailed when the run failed), Cancelled
  // when the user left it earlier.
  ExitCode Run() override;

  HWND Handle() const { return window_.get(); }
  TVXPageControl& PageSet() { return *pageSet_; }

  // True while a run or the removal works; the form refuses to close meanwhile.
  void SetWorkingState(bool working) { working_ = working; }
  bool Working() const { return working_; }

  // The removal of an uninstaller, started on arrival at a page of type "uninstall";
  // it ends by showing the next page. By default the uninstall run (UninstallRun).
  std::function<void(TFrmMain&)> RunRemoval;
  // Started once when an uninstaller's wizard leaves its finish page (Next, or closing
  // on it). By default writes out and starts the finaliser (UninstallFinish).
  std::function<void(TFrmMain&)> StartFinaliser;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Runs a handler through GuardCallback: an error inside it goes to the error report,
  // which ends the process.
  void Guarded(const std::function<void()>& handler);
  void KeyboardCommand(int id);
  // Moves the focus for Tab and Shift+Tab; false for any other message.
  bool TabKey(const MSG& message);

  void CreateControls();
  // --- the form's controls and their places (frm_main_layout.cpp) ---
  // A button at its place in kButtonPlaces, at the form's DPI.
  HWND CreateButton(int id, const wchar_t* caption);
  void CreateBevel();
  void SetLanguageGlyph();
  void ApplyDpi(int32_t dpi, const RECT* suggested);
  // Sizes the window for its client area at the form's DPI: centred on the work area,
  // or with its top-left corner at corner.
  void PlaceForm(const POINT* corner);
  void FindSpecialControls();
  void RegisterHandOffControls();

  // --- language (frm_main.cpp) ---
  void SetupLanguages();
  void SetupCheckedLanguage();
  void LanguageButtonClick();
  void English1Click(int32_t languageIndex);
  void SetLanguageButtonCaption();

  // --- page flow (frm_main_pages.cpp) ---
  void NextButtonClick();
  void BackButtonClick();
  void CancelButtonClick();
  bool FormCloseQuery();
  void FormClose();
  void FinishPageLeft();
  void ShowFreeSpace();
  void RecheckNext();
  void AttachTreeChange();
  void InstallDir_Edit_Change();
  void ShowFolderProblem(const std::string& text);
  void ShellTreeViewChange();
  void SynchroniseTree(const std::string& path, bool expand);
  std::string FolderFieldText() const;
  void SetFolderFieldText(const std::string& text);

  // --- install run (frm_main_run.cpp) ---
  void InstallRun();
  void TakeLanguageSelection();
  void ShowPendingHandOff();
  void ProcessPendingMessages();

  // --- uninstall (frm_main_removal.cpp) ---
  void UninstallRun();
  void UninstallFinish();

  // --- diagnostics (frm_debug.cpp) ---
  void Button2Click();

  SetupContext& context_;
  int32_t dpi_ = 96;  // the DPI the form is laid out at
  platform::win32::UniqueFont font_;
  platform::win32::UniqueWindow window_;
  std::unique_ptr<TPageArea> panel1_;
  HWND bevel2_ = nullptr;
  HWND languageButton_ = nullptr;
  HWND button2_ = nullptr;
  HWND backButton_ = nullptr;
  HWND nextButton_ = nullptr;
  HWND cancelButton_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control that had the focus when the form was last left
  HMENU languagePopupMenu_ = nullptr;
  HIMAGELIST languageGlyph_ = nullptr;
  std::unique_ptr<TVXPageControl> pageSet_;
  std::unique_ptr<TSetupThread> thread_;

  // The special controls found by name (each may be absent).
  TPageControl* statusLabel_ = nullptr;    // "patching_statuslabel"
  TPageControl* progressBar_ = nullptr;    // "patching_progressbar"
  TPageControl* finishText_ = nullptr;     // "finishtext"
  TPageControl* installDirEdit_ = nullptr; // "installdir_edit"
  TPageControl* shellTree_ = nullptr;      // "installdir_shelltreeview"
  TPageControl* spaceAvailable_ = nullptr; // "spaceavalible"

  TFolderRefusalTip folderRefusalTip_;
  bool dirPageVisited_ = false;
  bool suppressEditChange_ = false;
  bool working_ = false;
  bool treeSynchronising_ = false;
  bool closed_ = false;
  bool closedOnFinish_ = false;
  bool quitRequested_ = false;  // a quit request that arrived during a run
  int quitCode_ = 0;
  bool finaliserStarted_ = false;
};

}  // namespace setup::ui
