#pragma once
// Stands in for the wizard form until it exists: a plain window titled with the setup's
// short name, showing the run mode, the chosen language and the installation folder.
// Closing it ends the run.

#include <windows.h>

#include "platform/win32/unique_handle.h"
#include "script/setup_context.h"
#include "setup/main_form.h"

namespace setup::ui {

inline constexpr const wchar_t* kMainFormClass = L"TFrmMain";

class TFrmMainPlaceholder final : public IMainForm {
 public:
  // Creates the window hidden. Throws std::runtime_error when it cannot be created.
  explicit TFrmMainPlaceholder(const SetupContext& context);
  ~TFrmMainPlaceholder() override;
  TFrmMainPlaceholder(const TFrmMainPlaceholder&) = delete;
  TFrmMainPlaceholder& operator=(const TFrmMainPlaceholder&) = delete;

  // The caption and the texts, from what start-up loaded.
  void SetPagesUp() override;
  // Shows the window and processes messages until the user closes it.
  void Run() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void AddLine(int index, const std::wstring& text);

  const SetupContext& context_;
  platform::win32::UniqueWindow window_;
};

}  // namespace setup::ui
