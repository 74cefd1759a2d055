#pragma once
// The verification window: a small tool window with a fixed text, a status line and
// a progress bar, shown while every package entry is checked. Start-up updates it
// through IVerifyView and repaints it explicitly; it never processes messages, so it
// does not react to input while checking.

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/win32/unique_handle.h"
#include "setup/verify_view.h"

namespace setup::ui {

inline constexpr const wchar_t* kVerifyWindowClass = L"TFrmVerify";
inline constexpr const wchar_t* kVerifyCaption = L"Verifying Contents";

// Control identifiers, also used by the test driver to find the controls.
inline constexpr int kLabel1Id = 101;
inline constexpr int kStatusLabelId = 102;
inline constexpr int kProgressBar1Id = 103;

class TFrmVerify final : public IVerifyView {
 public:
  // Creates the window hidden, centred on the screen, with the initial status.
  // Throws std::runtime_error when the window cannot be created.
  TFrmVerify();
  ~TFrmVerify() override = default;
  TFrmVerify(const TFrmVerify&) = delete;
  TFrmVerify& operator=(const TFrmVerify&) = delete;

  // Shows the window and paints it at once.
  void Show();
  HWND Handle() const { return window_.get(); }

  void SetStatus(const std::string& text) override;
  void SetProgress(uint32_t position, uint32_t maximum) override;
  void Repaint() override;

 private:
  // x, y and width in 96-DPI pixels.
  HWND CreateLabel(int id, const wchar_t* text, int x, int y, int width);
  // Layout pixels at the window's DPI.
  int Scaled(int layoutPixels) const;
  // Widens a label whose text does not fit its laid-out width, as an auto-sized label
  // does, but never beyond the client area.
  void FitLabel(HWND label, int layoutWidth);

  // The font outlives the window whose controls use it.
  int32_t dpi_ = 96;
  platform::win32::UniqueFont font_;
  platform::win32::UniqueWindow window_;
  HWND label1_ = nullptr;
  HWND statusLabel_ = nullptr;
  HWND progressBar1_ = nullptr;
  int labelHeight_ = 15;
  bool painted_ = false;  // the whole window has been painted once
};

}  // namespace setup::ui
