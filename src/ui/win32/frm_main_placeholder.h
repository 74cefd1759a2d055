#pragma once
// Stands in for the wizard form until it exists: a plain window titled with the setup's
// short name, showing the run mode, the chosen language and the installation folder.
// An installer runs its script as soon as the window shows, with a status line, a
// progress bar and a finish line fed from the hand-off block; the window refuses to
// close while the run works. Closing it afterwards ends the process.

#include <windows.h>

#include <memory>

#include "platform/win32/unique_handle.h"
#include "script/setup_context.h"
#include "script/setup_thread.h"
#include "setup/main_form.h"

namespace setup::ui {

inline constexpr const wchar_t* kMainFormClass = L"TFrmMain";

class TFrmMainPlaceholder final : public IMainForm {
 public:
  // Creates the window hidden, and the idle worker thread. Throws std::runtime_error
  // when the window cannot be created.
  explicit TFrmMainPlaceholder(SetupContext& context);
  // Stops the worker thread and waits for it.
  ~TFrmMainPlaceholder() override;
  TFrmMainPlaceholder(const TFrmMainPlaceholder&) = delete;
  TFrmMainPlaceholder& operator=(const TFrmMainPlaceholder&) = delete;

  // The caption and the texts, from what start-up loaded.
  void SetPagesUp() override;
  // Shows the window, runs the script (installer), then processes messages until the
  // user closes the window.
  void Run() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND AddControl(const wchar_t* className, int index, const std::wstring& text, DWORD style);
  void RunInstall();
  void ShowPending();

  SetupContext& context_;
  platform::win32::UniqueWindow window_;
  std::unique_ptr<TSetupThread> thread_;
  HWND statusLabel_ = nullptr;
  HWND progressBar_ = nullptr;
  HWND finishLabel_ = nullptr;
  bool working_ = false;
};

}  // namespace setup::ui
