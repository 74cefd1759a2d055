#pragma once
// Steps that drive the wizard like a user, read from a text file, one per line (blank
// lines and lines starting with "#" are skipped). Each step waits until it can act;
// the driver keeps watching the program (message boxes, windows, exit) meanwhile.
//
//   wait-window            the wizard (class "TFrmMain") is visible
//   wait-text TEXT         a visible control of the wizard reads TEXT exactly
//   press CAPTION          a visible, enabled button reading CAPTION is clicked
//   type TEXT              the wizard's visible single-line edit gets TEXT (as typed:
//                          the control reports the change)
//   command ID             the wizard receives the menu command ID (a language of the
//                          language menu)
//   answer BUTTON          the next message box is answered with OK, Cancel, Yes or No
//                          (boxes are answered OK otherwise); ends a hold
//   hold-boxes             message boxes stay unanswered until the next "answer"
//   wait-box CAPTION       a message box with that caption is on the screen
//   move-box               moves the message boxes to the screen's top-left corner, out
//                          of the wizard's way (for a screenshot of what lies behind)
//   key KEYS               presses keys on the keyboard (as input the system queues
//                          for the window in front, the wizard brought there first
//                          unless a window of the program is): one key or a chord
//                          joined by "+": "Tab", "Shift+Tab", "Enter", "Escape",
//                          "Space", "Down", "Alt+N", "A"
//   keys TEXT              types TEXT, one character after the other
//   focus                  reports FOCUS for the window that has the keyboard focus
//   dpi N                  tells the wizard its monitor now has N DPI (WM_DPICHANGED,
//                          without a suggested rectangle)
//   list                   reports TITLE, CLIENT and one CONTROL line per visible control
//   read-out               reports one READOUT line per visible control: what a screen
//                          reader reads for it
//   state CAPTION          reports STATE for the visible button reading CAPTION
//   screenshot FILE        saves the wizard's window as it is on the screen (BMP)
//   sleep MS               waits MS milliseconds
//   close                  asks the wizard to close (as its close box does)
//
// Output lines (besides those of setup_driver run):
//   STEP <n> <step>                         a step starts
//   TITLE <title>
//   CLIENT <w>x<h>                          the wizard's client size
//   FOCUS class=<class> rect=<x,y,wxh> text=<text>   (FOCUS none without a focus)
//   CONTROL class=<class> enabled=<0|1> rect=<x,y,wxh> text=<text>
//   READOUT class=<class> rect=<x,y,wxh> role=<n|none> name=<text> value=<text>
//                                           (role: a ROLE_SYSTEM_* number)
//   STATE <caption> visible=<0|1> enabled=<0|1>
//   SCREENSHOT <file>
//   STEPS_DONE                              the last step has been done

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace driver {

class WizardSteps {
 public:
  // Reads the steps (UTF-8); false with a message on stderr when the file cannot be read
  // or holds an unknown step.
  bool Load(const std::wstring& path);
  bool Empty() const { return steps_.empty(); }

  // Tries the current step (and those after it that can go at once) against the
  // program's windows.
  void Advance(DWORD processId);
  // The button id (IDOK, IDCANCEL, IDYES, IDNO) for the next message box, if a step
  // asked for one; taking it resets to OK.
  std::optional<int> TakeBoxAnswer();
  // True while a "hold-boxes" step holds message boxes back.
  bool HoldingBoxes() const { return holdBoxes_; }

 private:
  struct Step {
    std::wstring verb;
    std::wstring argument;
    std::wstring line;
  };
  bool TryStep(const Step& step, HWND wizard);

  std::vector<Step> steps_;
  size_t next_ = 0;
  bool started_ = false;
  ULONGLONG sleepUntil_ = 0;
  std::optional<int> boxAnswer_;
  bool holdBoxes_ = false;
  DWORD processId_ = 0;
};

}  // namespace driver
