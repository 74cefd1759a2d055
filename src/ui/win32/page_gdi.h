#pragma once
// Owners for the drawing objects of the page controls (bitmaps, brushes, icons,
// enhanced metafiles) and a memory drawing context that paints off screen.

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace setup::ui {

struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};

struct IconTraits {
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DestroyIcon(h); }
};

struct EnhMetaFileTraits {
  using Handle = HENHMETAFILE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteEnhMetaFile(h); }
};

using UniqueGdiObject = platform::win32::UniqueHandle<GdiObjectTraits>;
using UniqueIcon = platform::win32::UniqueHandle<IconTraits>;
using UniqueEnhMetaFile = platform::win32::UniqueHandle<EnhMetaFileTraits>;

// A drawing context compatible with another, with a bitmap of the given size selected
// (32 bits a pixel); Dc() is null when either could not be made.
class TMemoryDc {
 public:
  TMemoryDc(HDC reference, int width, int height);
  ~TMemoryDc();
  TMemoryDc(const TMemoryDc&) = delete;
  TMemoryDc& operator=(const TMemoryDc&) = delete;

  HDC Dc() const { return dc_; }
  HBITMAP Bitmap() const { return static_cast<HBITMAP>(bitmap_.get()); }
  // Ends the drawing context and hands the bitmap over to the caller.
  HBITMAP ReleaseBitmap();

 private:
  HDC dc_ = nullptr;
  UniqueGdiObject bitmap_;
  HGDIOBJ previous_ = nullptr;
};

// A 32-bit top-down bitmap of the given size, black; null when it cannot be made.
HBITMAP CreateDibBitmap(int width, int height);

}  // namespace setup::ui
