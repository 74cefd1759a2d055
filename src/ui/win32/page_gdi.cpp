#include "ui/win32/page_gdi.h"

namespace setup::ui {

HBITMAP CreateDibBitmap(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

TMemoryDc::TMemoryDc(HDC reference, int width, int height) {
  bitmap_.reset(CreateDibBitmap(width, height));
  if (!bitmap_) return;
  dc_ = CreateCompatibleDC(reference);
  if (dc_ != nullptr) previous_ = SelectObject(dc_, bitmap_.get());
}

TMemoryDc::~TMemoryDc() {
  if (dc_ != nullptr) {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
}

HBITMAP TMemoryDc::ReleaseBitmap() {
  if (dc_ != nullptr) {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
    dc_ = nullptr;
  }
  return static_cast<HBITMAP>(bitmap_.release());
}

}  // namespace setup::ui
