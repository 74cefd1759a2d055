// The uninstaller's side of the wizard: the removal on arrival at the page of type
// "uninstall", shown in the status label and the gauge, and the finaliser started when
// the wizard leaves its finish page. Both run on this thread; the worker thread has no
// part in an uninstall.
#include "ui/win32/frm_main.h"
#include "ui/win32/grad_gauge.h"
#include "ui/win32/page_controls.h"
#include "uninstall/finaliser_launch.h"
#include "uninstall/uninstall_run.h"

namespace setup::ui {

namespace {

// The removal's display over the special controls of the pages (either may be absent).
// No window messages are processed while the removal runs, so each step is painted at
// once.
class TFormRemovalView final : public IRemovalView {
 public:
  TFormRemovalView(HWND form, TPageControl* statusLabel, TPageControl* progressBar)
      : form_(form),
        statusLabel_(statusLabel),
        gauge_(progressBar == nullptr ? nullptr : progressBar->Gauge()) {}

  void SetStatus(const std::u16string& text) override {
    if (statusLabel_ != nullptr) statusLabel_->SetCaption(text);
  }
  void SetGaugeMax(int32_t maximum) override {
    if (gauge_ != nullptr) gauge_->SetMax(maximum);
  }
  void SetGaugePosition(int32_t position) override {
    if (gauge_ != nullptr) gauge_->SetProgress(position);
  }
  // Paints whatever is waiting to be painted in the form: the label (transparent, so
  // the page area beneath it too), the gauge, and the removal page itself the first
  // time.
  void Repaint() override { RedrawWindow(form_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

 private:
  HWND form_;
  TPageControl* statusLabel_;
  TGradGauge* gauge_;
};

}  // namespace

void TFrmMain::UninstallRun() {
  SetWorkingState(true);
  TFormRemovalView view(window_.get(), statusLabel_, progressBar_);
  setup::RunRemoval(context_, view);
  SetWorkingState(false);
  pageSet_->ShowPage(pageSet_->CurrentPage() + 1);
}

void TFrmMain::UninstallFinish() { RunFinaliser(context_); }

}  // namespace setup::ui
