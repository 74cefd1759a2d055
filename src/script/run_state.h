#pragma once
// The state one install run shares between the worker thread and the wizard.
//
// TRunState: the line being executed and the failure flag. Each is written by one side
// at a time; they are atomics so that the other side reads a whole, current value.
//
// THandOff: the hand-off block. The worker reports status text, progress and the finish
// text into it; the user-interface thread takes what is pending and shows it. The worker
// never touches a window. StatusLock is held only to copy a text or a number.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace setup {

struct TRunState {
  // Index of the line being executed; -1 before a run. Jumps assign it.
  std::atomic<int32_t> CurrentLine{-1};
  // Set by "failure" (and a missing VFS archive); stays set for the process.
  std::atomic<bool> SetupFailed{false};
  // Set when the process is about to end: a program the script waits for ("execute")
  // is no longer waited for.
  std::atomic<bool> ShuttingDown{false};
};

// What the user-interface thread takes from the hand-off block in one poll.
struct THandOffPending {
  std::optional<std::string> StatusText;  // 8-bit text in the system code page
  std::optional<int32_t> ProgressValue;
  std::optional<std::u16string> FinishText;
  bool RepaintFinishText = false;
};

class THandOff {
 public:
  // The wizard registers the controls it built ("patching_statuslabel",
  // "patching_progressbar", "finishtext"); without one, the reports for it do nothing.
  // Called on the user-interface thread before a run.
  void RegisterControls(bool statusLabel, bool progressGauge, bool finishText);

  // --- worker side ---
  // With a status label: the text, converted to the system code page, becomes the
  // pending status text.
  void ReportStatus(const std::u16string& text);
  // With a gauge: counts one more file; when update, the count becomes the pending
  // progress value.
  void StepProgress(bool update);
  // With a finish text label: the text becomes the label's pending caption; repaint
  // asks for it to be drawn at once.
  void SetFinishText(const std::u16string& text, bool repaint);

  // --- user-interface side ---
  // Takes whatever is pending and clears the flags.
  THandOffPending TakePending();
  int32_t FilesDone() const;
  // Sets the file count back (the wizard does before a run).
  void ResetFilesDone();

  // Every text ReportStatus accepted, in order, as it was stored (tests and the debug
  // view watch the whole sequence, not just the newest). Called under StatusLock on the
  // worker thread: keep it short.
  using StatusObserver = std::function<void(const std::string&)>;
  void SetStatusObserver(StatusObserver observer);

 private:
  mutable std::mutex StatusLock;
  bool hasStatusLabel_ = false;
  bool hasProgressGauge_ = false;
  bool hasFinishText_ = false;

  std::string statusText_;
  bool statusPending_ = false;
  int32_t progressValue_ = 0;
  bool progressPending_ = false;
  int32_t filesDone_ = 0;
  std::u16string finishText_;
  bool finishPending_ = false;
  bool finishRepaint_ = false;
  StatusObserver observer_;
};

}  // namespace setup
