#pragma once
// The diagnostic dump: a window titled "Debug" with one rich edit that lists the
// package's header and entries and the setup information. Its button on the main form
// is hidden; nothing shows it in a normal run.

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace setup {
struct SetupContext;
}

namespace setup::ui {

inline constexpr const wchar_t* kDebugFormClass = L"TFrmDebug";

// The lines of the dump: the package header, every entry with its group, the setup
// information with its five registry places.
std::vector<std::string> DebugDumpLines(const SetupContext& context);

class TFrmDebug {
 public:
  // Creates the window hidden (870 x 600, the rich edit filling it). Throws
  // std::runtime_error when it cannot be created.
  TFrmDebug();
  ~TFrmDebug();
  TFrmDebug(const TFrmDebug&) = delete;
  TFrmDebug& operator=(const TFrmDebug&) = delete;

  // RichEdit1's text: cleared, then one line added at a time (8-bit text).
  void Clear();
  void AddLine(const std::string& line);
  // Shows the window modally over owner until the user closes it.
  void ShowModal(HWND owner);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  platform::win32::UniqueModule richEditLibrary_;
  platform::win32::UniqueFont font_;
  platform::win32::UniqueWindow window_;
  HWND richEdit1_ = nullptr;
  bool empty_ = true;
  bool open_ = false;
};

}  // namespace setup::ui
