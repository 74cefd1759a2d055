#pragma once
// A picture of a "timage" control, loaded from a file's bytes by its kind: bitmaps,
// icons and JPEG images through the system's picture loader, metafiles and enhanced
// metafiles as enhanced metafiles. Drawn stretched into any rectangle (a bitmap
// resampled smoothly, once per size); a bitmap drawn transparent leaves out every pixel
// of the colour of its bottom-left pixel.

#include <windows.h>

#include <optional>

#include "base/byte_io.h"
#include "ui/model/page_layout.h"
#include "ui/win32/page_gdi.h"

namespace setup::ui {

class TPicture {
 public:
  // nullopt when the bytes hold no picture the system can read.
  static std::optional<TPicture> Load(ByteView bytes, TPictureKind kind);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool IsBitmap() const { return form_ == Form::Bitmap; }
  COLORREF TransparentColour() const { return transparentColour_; }

  // Draws the whole picture stretched into dest. Only a bitmap (not a JPEG image) is
  // drawn transparent.
  void Draw(HDC dc, const RECT& dest, bool transparent) const;

  // A bitmap of width x height holding copies of the picture side by side from the
  // top-left corner, cut off at the edges. nullopt when a size is not positive or the
  // bitmap cannot be made.
  std::optional<TPicture> Tiled(int width, int height) const;

 private:
  enum class Form { Bitmap, Photo, Icon, Metafile };  // Photo: a bitmap never transparent

  static std::optional<TPicture> LoadWithSystemLoader(ByteView bytes, TPictureKind kind);
  static std::optional<TPicture> LoadMetafile(ByteView bytes, bool windowsMetafile);
  static std::optional<TPicture> FromBitmap(HBITMAP bitmap, Form form);
  // The bitmap (selected into source) resampled to width x height, kept for the next
  // paint; null when it cannot be made.
  HBITMAP Resampled(HDC source, int width, int height) const;

  Form form_ = Form::Bitmap;
  int width_ = 0;
  int height_ = 0;
  UniqueGdiObject bitmap_;
  UniqueIcon icon_;
  UniqueEnhMetaFile metafile_;
  COLORREF transparentColour_ = 0;
  mutable UniqueGdiObject resampled_;
  mutable SIZE resampledSize_{};
};

}  // namespace setup::ui
