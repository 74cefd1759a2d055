#pragma once
// The gradient gauge of the run pages: a child window of its own class that paints a
// border, a bar filled with a vertical colour gradient, the unfilled part and the
// percentage caption. The rules for its properties live in ui/model/gauge_model.h;
// this window obeys what the setters ask (paint at once, invalidate, new gradient).
//
// The caption is also the window's text, so a driver program reading window texts
// sees the percentage. Painting is double-buffered. The pixels the border leaves out
// (the top row and left column) show the parent: by default the gauge asks its parent
// to paint its background into the gauge's buffer (WM_ERASEBKGND and WM_PRINTCLIENT
// with the origin moved); SetBackgroundPainter replaces that.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/win32/unique_handle.h"
#include "ui/model/gauge_model.h"
#include "ui/win32/system_colour.h"

namespace setup::ui {

inline constexpr const wchar_t* kGradGaugeClass = L"TGradGauge";

struct GdiBitmapTraits {
  using Handle = HBITMAP;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};
using UniqueBitmap = platform::win32::UniqueHandle<GdiBitmapTraits>;

// Paints a gauge's face into a drawing context and keeps its gradient bitmap. Needs no
// window, so tests can paint into a memory bitmap.
class TGaugePainter {
 public:
  // The gradient bitmap at the default size (200 x 35), filled.
  explicit TGaugePainter(const TGaugeModel& model);

  // Fills the gradient bitmap again from the model's colours.
  void RebuildGradient(const TGaugeModel& model);
  // Paints border, bar, unfilled part and caption into dc, whose origin is the
  // control's top-left corner; the gradient is resized first when the control's size
  // changed. Pixels outside the border are left alone.
  void Paint(HDC dc, const TGaugeModel& model, int width, int height, HFONT font,
             COLORREF textColour);

  int GradientWidth() const { return gradientWidth_; }
  int GradientHeight() const { return gradientHeight_; }

 private:
  void Resize(const TGaugeModel& model, int width, int height);

  UniqueBitmap gradient_;
  uint32_t* pixels_ = nullptr;  // the gradient's top-down 32-bit rows
  int gradientWidth_ = 0;
  int gradientHeight_ = 0;
};

class TGradGauge {
 public:
  // Paints the parent's background beneath the gauge into dc; area is the gauge's
  // rectangle in the parent's client coordinates, and dc's origin is at its top-left.
  using BackgroundPainter = std::function<void(HDC dc, const RECT& area)>;

  // Creates the gauge hidden, as a child of parent, with the defaults (caption "0%").
  // Throws std::runtime_error when the window cannot be created.
  TGradGauge(HWND parent, int left, int top, int width = kGaugeDefaultWidth,
             int height = kGaugeDefaultHeight);
  ~TGradGauge();
  TGradGauge(const TGradGauge&) = delete;
  TGradGauge& operator=(const TGradGauge&) = delete;

  HWND Window() const { return window_.get(); }

  void SetProgress(int32_t value);
  int32_t Progress() const { return model_.Progress(); }
  void SetMin(int32_t value);
  int32_t Min() const { return model_.Min(); }
  void SetMax(int32_t value);
  int32_t Max() const { return model_.Max(); }
  void SetAutocaption(bool value);
  bool Autocaption() const { return model_.Autocaption(); }
  void SetCaption(const std::string& value);
  const std::string& Caption() const { return model_.Caption(); }
  void SetColor1(uint32_t value);
  uint32_t Color1() const { return model_.Color1(); }
  void SetColor2(uint32_t value);
  uint32_t Color2() const { return model_.Color2(); }
  void SetBackcolor(uint32_t value);
  uint32_t Backcolor() const { return model_.Backcolor(); }
  void SetBorderColor(uint32_t value);
  uint32_t BorderColor() const { return model_.BorderColor(); }
  void SetBorderStyle(TggBorderStyle value);
  TggBorderStyle BorderStyle() const { return model_.BorderStyle(); }
  // The caption's font; not owned (it must outlive the gauge or be replaced first).
  void SetFont(HFONT font);
  HFONT Font() const { return font_; }

  void SetBackgroundPainter(BackgroundPainter painter) { background_ = std::move(painter); }

  // Paints the whole control (background beneath it, then its face) into dc, whose
  // origin is the control's top-left corner. Also answers WM_PRINTCLIENT.
  void PaintTo(HDC dc);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Apply(const TGaugeUpdate& update);
  void PaintBuffered();
  void PaintBackground(HDC dc, int width, int height);

  TGaugeModel model_;
  TGaugePainter painter_;
  HFONT font_ = nullptr;
  std::wstring shownCaption_;
  BackgroundPainter background_;
  // Last, so that the window goes first while the state it paints still exists.
  platform::win32::UniqueWindow window_;
};

}  // namespace setup::ui
