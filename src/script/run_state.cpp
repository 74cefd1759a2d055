#include "script/run_state.h"

#include <utility>

#include "platform/codepage.h"

namespace setup {

void THandOff::RegisterControls(bool statusLabel, bool progressGauge, bool finishText) {
  std::lock_guard<std::mutex> lock(StatusLock);
  hasStatusLabel_ = statusLabel;
  hasProgressGauge_ = progressGauge;
  hasFinishText_ = finishText;
}

void THandOff::ReportStatus(const std::u16string& text) {
  // Without a label (an unattended run) the text is not even converted: an extraction
  // reports one per file.
  {
    std::lock_guard<std::mutex> lock(StatusLock);
    if (!hasStatusLabel_) return;
  }
  // Converted outside the lock: the lock only guards the copy.
  std::string converted = platform::WideToAnsi(text);
  std::lock_guard<std::mutex> lock(StatusLock);
  if (!hasStatusLabel_) return;
  statusText_ = std::move(converted);
  statusPending_ = true;
  if (observer_) observer_(statusText_);
}

void THandOff::StepProgress(bool update) {
  std::lock_guard<std::mutex> lock(StatusLock);
  if (!hasProgressGauge_) return;
  ++filesDone_;
  if (update) {
    progressValue_ = filesDone_;
    progressPending_ = true;
  }
}

void THandOff::SetFinishText(const std::u16string& text, bool repaint) {
  std::lock_guard<std::mutex> lock(StatusLock);
  if (!hasFinishText_) return;
  finishText_ = text;
  finishPending_ = true;
  finishRepaint_ = finishRepaint_ || repaint;
}

THandOffPending THandOff::TakePending() {
  THandOffPending pending;
  std::lock_guard<std::mutex> lock(StatusLock);
  if (statusPending_) pending.StatusText = statusText_;
  if (progressPending_) pending.ProgressValue = progressValue_;
  if (finishPending_) {
    pending.FinishText = finishText_;
    pending.RepaintFinishText = finishRepaint_;
  }
  statusPending_ = progressPending_ = finishPending_ = finishRepaint_ = false;
  return pending;
}

int32_t THandOff::FilesDone() const {
  std::lock_guard<std::mutex> lock(StatusLock);
  return filesDone_;
}

void THandOff::ResetFilesDone() {
  std::lock_guard<std::mutex> lock(StatusLock);
  filesDone_ = 0;
}

void THandOff::SetStatusObserver(StatusObserver observer) {
  std::lock_guard<std::mutex> lock(StatusLock);
  observer_ = std::move(observer);
}

}  // namespace setup
