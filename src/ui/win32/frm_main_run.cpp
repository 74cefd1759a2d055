// The install run as the wizard sees it: the language chosen on the pages, the start
// of the worker, and the status, progress and finish text it hands over, shown while
// the window keeps processing its messages.
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "script/install_run.h"
#include "ui/model/wizard_flow.h"
#include "ui/win32/callback_guard.h"
#include "ui/win32/frm_main.h"
#include "ui/win32/grad_gauge.h"

namespace setup::ui {

void TFrmMain::TakeLanguageSelection() {
  std::vector<TPageRadios> pages;
  for (const TVXPageControl::TPage& page : pageSet_->Pages()) {
    if (page.Type != TPageType::languageselection) continue;
    TPageRadios& radios = pages.emplace_back();
    radios.Type = page.Type;
    for (const auto& control : page.Controls) {
      if (control->Type() == TControlType::Radio) radios.Radios.push_back({control->Text(), control->Checked()});
    }
  }
  if (const std::optional<std::u16string> chosen = ChosenLanguageSelection(pages)) {
    context_.Variables.LanguageSelection = platform::WideToAnsi(*chosen);
  }
}

void TFrmMain::InstallRun() {
  TakeLanguageSelection();
  SetWorkingState(true);
  const InstallRunStart start = PrepareInstallRun(context_);
  if (statusLabel_ != nullptr) statusLabel_->SetCaption(platform::AnsiToWide(start.StatusText));
  if (progressBar_ != nullptr) {
    TGradGauge& gauge = *progressBar_->Gauge();
    gauge.SetProgress(0);
    gauge.SetMax(start.FileCount);
  }

  // The worker runs the script; this thread stays here, responsive, until it is done.
  thread_->Running = true;
  while (thread_->Running) {
    ProcessPendingMessages();
    ShowPendingHandOff();
    platform::SleepMs(1);
  }
  ShowPendingHandOff();

  pageSet_->ShowPage(pageSet_->CurrentPage() + 1);
  SetWorkingState(false);
  if (quitRequested_) PostQuitMessage(quitCode_);
}

void TFrmMain::ProcessPendingMessages() {
  MSG message;
  while (!quitRequested_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Kept for the main loop, which sees it once the run is over.
      quitRequested_ = true;
      quitCode_ = static_cast<int>(message.wParam);
      break;
    }
    if (window_ && IsDialogMessageW(window_.get(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void TFrmMain::ShowPendingHandOff() {
  const THandOffPending pending = context_.HandOff.TakePending();
  // A failure while showing is no reason to stop the run. Much of the showing happens
  // in the controls' window procedures, behind SetWindowTextW and RedrawWindow: their
  // failures are carried back here rather than reported where they arise.
  if (pending.StatusText && statusLabel_ != nullptr) {
    try {
      CarryCallbackErrors([&] {
        statusLabel_->SetCaption(platform::AnsiToWide(*pending.StatusText));
        if (statusLabel_->Window() != nullptr) UpdateWindow(statusLabel_->Window());
      });
    } catch (...) {
    }
  }
  if (pending.ProgressValue && progressBar_ != nullptr) {
    try {
      CarryCallbackErrors([&] { progressBar_->Gauge()->SetProgress(*pending.ProgressValue); });
    } catch (...) {
    }
  }
  if (pending.FinishText && finishText_ != nullptr) {
    finishText_->SetCaption(*pending.FinishText);
    if (pending.RepaintFinishText && finishText_->Window() != nullptr) UpdateWindow(finishText_->Window());
  }
}

}  // namespace setup::ui
