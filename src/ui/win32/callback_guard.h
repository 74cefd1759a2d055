#pragma once
// Keeps exceptions inside the functions the system calls back: window procedures, stream
// callbacks. Between such a function and the code that caused the call lie the system's
// own frames, which the 32-bit build's unwinder cannot cross: an exception leaving a
// callback there ends the process without a word, where the 64-bit build would unwind.
// So every callback runs its body through GuardCallback, which catches everything and
// sends it to the error report (which ends the process) -- the same on both builds.
//
// A caller that wants to handle the failures of the callbacks its own system call
// reaches (a repaint forced through RedrawWindow, a caption set through SetWindowTextW)
// runs that call through CarryCallbackErrors: while it runs, a guarded callback on the
// same thread keeps its exception instead of reporting it, and CarryCallbackErrors raises
// it again on the caller's side of the system's frames, where it can be caught.

#include <exception>
#include <string>
#include <type_traits>
#include <utility>

#include "setup/error_report.h"

namespace setup::ui {

// Collects the first failure of the guarded callbacks of this thread while it lives.
// Carriers nest; the innermost one collects.
class CallbackErrorCarrier {
 public:
  CallbackErrorCarrier() : previous_(current_) { current_ = this; }
  ~CallbackErrorCarrier() { current_ = previous_; }
  CallbackErrorCarrier(const CallbackErrorCarrier&) = delete;
  CallbackErrorCarrier& operator=(const CallbackErrorCarrier&) = delete;

  static CallbackErrorCarrier* Current() { return current_; }
  void Keep(std::exception_ptr error) {
    if (!error_) error_ = std::move(error);
  }
  // Raises the failure kept, if any.
  void Rethrow() {
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  }

 private:
  static inline thread_local CallbackErrorCarrier* current_ = nullptr;
  CallbackErrorCarrier* previous_;
  std::exception_ptr error_;
};

// The error report for a failure caught at a callback, as the wizard's other top-level
// handlers make it: the exception's message, no error type. Ends the process.
[[noreturn]] inline void ReportCallbackError(const std::exception_ptr& error) {
  std::string text;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
  }
  WriteErrorReport(text, "");
}

// Runs body and returns its result. An exception goes to the carrier of this thread
// when there is one, and fallback is returned; otherwise to the error report. Nothing
// leaves: should even the report fail, the process ends here rather than in the system.
template <typename Result, typename Body>
Result GuardCallback(Body&& body, Result fallback) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    if (CallbackErrorCarrier* carrier = CallbackErrorCarrier::Current()) {
      carrier->Keep(std::current_exception());
    } else {
      ReportCallbackError(std::current_exception());
    }
  }
  return fallback;
}

// The same for a body that answers nothing.
template <typename Body>
void GuardCallback(Body&& body) noexcept {
  GuardCallback(
      [&] {
        std::forward<Body>(body)();
        return true;
      },
      false);
}

// Runs call, which enters the system (and through it our callbacks), and raises here
// what a callback of this thread failed with meanwhile. call must not run a message
// loop: the failures of every handler the loop dispatched would come here.
template <typename Call>
decltype(auto) CarryCallbackErrors(Call&& call) {
  CallbackErrorCarrier carrier;
  if constexpr (std::is_void_v<std::invoke_result_t<Call>>) {
    std::forward<Call>(call)();
    carrier.Rethrow();
  } else {
    auto result = std::forward<Call>(call)();
    carrier.Rethrow();
    return result;
  }
}

}  // namespace setup::ui
