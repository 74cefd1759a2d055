#pragma once
// The balloon under the folder field that says why a folder text cannot be used, while
// the page keeps Next disabled for it (a character no folder name may hold).

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace setup::ui {

class TFolderRefusalTip {
 public:
  TFolderRefusalTip() = default;
  TFolderRefusalTip(const TFolderRefusalTip&) = delete;
  TFolderRefusalTip& operator=(const TFolderRefusalTip&) = delete;
  ~TFolderRefusalTip();

  // Shows reason in a balloon pointing at the field's lower edge; a shown balloon takes
  // the new reason. Nothing happens when the balloon cannot be made.
  void Show(HWND field, const std::wstring& reason);
  void Hide();

 private:
  bool Create(HWND field);
  TTTOOLINFOW ToolInfo(wchar_t* text) const;

  HWND tip_ = nullptr;
  HWND field_ = nullptr;
  bool shown_ = false;
};

}  // namespace setup::ui
