#include "ui/win32/page_picture.h"

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace setup::ui {

namespace {

// Wider or higher than this, a tiled bitmap is not made (the system draws no further).
constexpr int kMaxTiledSide = 32767;

// The header some Windows metafiles carry before the metafile proper: a key, the
// picture's bounds and how many of its units make an inch.
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderSize = 22;
constexpr int kHimetricPerInch = 2540;

uint16_t U16At(ByteView bytes, size_t at) { return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8)); }
uint32_t U32At(ByteView bytes, size_t at) { return U16At(bytes, at) | (uint32_t{U16At(bytes, at + 2)} << 16); }

// Metafiles take their natural size in layout pixels, which are those of a 96-DPI screen.
constexpr int kLayoutPixelsPerInch = 96;
// A bitmap drawn at another size is resampled once into a copy of that size, unless the
// copy would be larger than this (then it is stretched on every paint, coarsely).
constexpr int64_t kMaxResampledPixels = int64_t{4} << 20;

// COM references released at the end of the scope.
template <typename T>
struct ComRelease {
  T* object = nullptr;
  ~ComRelease() {
    if (object != nullptr) object->Release();
  }
};

}  // namespace

std::optional<TPicture> TPicture::Load(ByteView bytes, TPictureKind kind) {
  if (bytes.empty()) return std::nullopt;
  switch (kind) {
    case TPictureKind::Metafile:
      return LoadMetafile(bytes, true);
    case TPictureKind::EnhancedMetafile:
      return LoadMetafile(bytes, false);
    case TPictureKind::Bitmap:
    case TPictureKind::Icon:
    case TPictureKind::Jpeg:
      return LoadWithSystemLoader(bytes, kind);
  }
  return std::nullopt;
}

std::optional<TPicture> TPicture::FromBitmap(HBITMAP bitmap, Form form) {
  if (bitmap == nullptr) return std::nullopt;
  TPicture picture;
  picture.bitmap_.reset(bitmap);
  picture.form_ = form;
  BITMAP info{};
  if (GetObjectW(bitmap, sizeof info, &info) != sizeof info) return std::nullopt;
  picture.width_ = info.bmWidth;
  picture.height_ = std::abs(info.bmHeight);
  if (picture.width_ <= 0 || picture.height_ <= 0) return std::nullopt;
  // The colour a transparent bitmap leaves out: that of its bottom-left pixel.
  if (HDC dc = CreateCompatibleDC(nullptr)) {
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    picture.transparentColour_ = GetPixel(dc, 0, picture.height_ - 1);
    SelectObject(dc, previous);
    DeleteDC(dc);
  }
  return picture;
}

std::optional<TPicture> TPicture::LoadWithSystemLoader(ByteView bytes, TPictureKind kind) {
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (memory == nullptr) return std::nullopt;
  void* target = GlobalLock(memory);
  if (target == nullptr) {
    GlobalFree(memory);
    return std::nullopt;
  }
  std::memcpy(target, bytes.data(), bytes.size());
  GlobalUnlock(memory);
  ComRelease<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream.object))) {
    GlobalFree(memory);
    return std::nullopt;
  }
  ComRelease<IPicture> loaded;
  if (FAILED(OleLoadPicture(stream.object, static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                            reinterpret_cast<void**>(&loaded.object))) ||
      loaded.object == nullptr) {
    return std::nullopt;
  }
  SHORT type = PICTYPE_UNINITIALIZED;
  OLE_HANDLE handle = 0;
  if (FAILED(loaded.object->get_Type(&type)) || FAILED(loaded.object->get_Handle(&handle))) return std::nullopt;
  const auto systemHandle = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle));

  if (type == PICTYPE_BITMAP) {
    // A copy of our own: the loaded picture owns its handle.
    const auto copy = static_cast<HBITMAP>(CopyImage(systemHandle, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    return FromBitmap(copy, kind == TPictureKind::Bitmap ? Form::Bitmap : Form::Photo);
  }
  if (type == PICTYPE_ICON) {
    TPicture picture;
    picture.form_ = Form::Icon;
    picture.icon_.reset(CopyIcon(static_cast<HICON>(systemHandle)));
    ICONINFO info{};
    if (!picture.icon_ || !GetIconInfo(picture.icon_.get(), &info)) return std::nullopt;
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    picture.width_ = mask.bmWidth;
    // Without a colour bitmap the mask holds the AND and XOR halves one above the other.
    picture.height_ = info.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2;
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
    if (picture.width_ <= 0 || picture.height_ <= 0) return std::nullopt;
    return picture;
  }
  return std::nullopt;
}

std::optional<TPicture> TPicture::LoadMetafile(ByteView bytes, bool windowsMetafile) {
  TPicture picture;
  picture.form_ = Form::Metafile;
  if (bytes.size() > UINT32_MAX) return std::nullopt;
  if (!windowsMetafile) {
    picture.metafile_.reset(SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data()));
  } else if (bytes.size() >= kPlaceableHeaderSize && U32At(bytes, 0) == kPlaceableKey) {
    // The bounds in units of which the header says how many make an inch; the metafile
    // is played at that size.
    const auto left = static_cast<int16_t>(U16At(bytes, 6));
    const auto top = static_cast<int16_t>(U16At(bytes, 8));
    const auto right = static_cast<int16_t>(U16At(bytes, 10));
    const auto bottom = static_cast<int16_t>(U16At(bytes, 12));
    const int unitsPerInch = U16At(bytes, 14);
    if (unitsPerInch == 0) return std::nullopt;
    METAFILEPICT size{MM_ANISOTROPIC, MulDiv(right - left, kHimetricPerInch, unitsPerInch),
                      MulDiv(bottom - top, kHimetricPerInch, unitsPerInch), nullptr};
    const ByteView body = bytes.subspan(kPlaceableHeaderSize);
    picture.metafile_.reset(SetWinMetaFileBits(static_cast<UINT>(body.size()), body.data(), nullptr, &size));
  } else {
    picture.metafile_.reset(SetWinMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data(), nullptr, nullptr));
  }
  if (!picture.metafile_) return std::nullopt;

  // The natural size: the picture frame (hundredths of a millimetre) on the screen.
  ENHMETAHEADER header{};
  if (GetEnhMetaFileHeader(picture.metafile_.get(), sizeof header, &header) == 0) return std::nullopt;
  picture.width_ = MulDiv(header.rclFrame.right - header.rclFrame.left, kLayoutPixelsPerInch, kHimetricPerInch);
  picture.height_ = MulDiv(header.rclFrame.bottom - header.rclFrame.top, kLayoutPixelsPerInch, kHimetricPerInch);
  if (picture.width_ <= 0 || picture.height_ <= 0) {
    picture.width_ = header.rclBounds.right - header.rclBounds.left + 1;
    picture.height_ = header.rclBounds.bottom - header.rclBounds.top + 1;
  }
  picture.width_ = std::max(picture.width_, 0);
  picture.height_ = std::max(picture.height_, 0);
  return picture;
}

void TPicture::Draw(HDC dc, const RECT& dest, bool transparent) const {
  const int width = dest.right - dest.left;
  const int height = dest.bottom - dest.top;
  if (width <= 0 || height <= 0) return;
  switch (form_) {
    case Form::Bitmap:
    case Form::Photo: {
      const HDC source = CreateCompatibleDC(dc);
      if (source == nullptr) return;
      const HGDIOBJ previous = SelectObject(source, bitmap_.get());
      if (transparent && form_ == Form::Bitmap) {
        GdiTransparentBlt(dc, dest.left, dest.top, width, height, source, 0, 0, width_, height_,
                       transparentColour_);
      } else if (width == width_ && height == height_) {
        BitBlt(dc, dest.left, dest.top, width, height, source, 0, 0, SRCCOPY);
      } else if (const HBITMAP resampled = Resampled(source, width, height)) {
        const HGDIOBJ shown = SelectObject(source, resampled);
        BitBlt(dc, dest.left, dest.top, width, height, source, 0, 0, SRCCOPY);
        SelectObject(source, shown);
      } else {
        const int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, dest.left, dest.top, width, height, source, 0, 0, width_, height_, SRCCOPY);
        SetStretchBltMode(dc, previousMode);
      }
      SelectObject(source, previous);
      DeleteDC(source);
      break;
    }
    case Form::Icon:
      DrawIconEx(dc, dest.left, dest.top, icon_.get(), width, height, 0, nullptr, DI_NORMAL);
      break;
    case Form::Metafile:
      PlayEnhMetaFile(dc, metafile_.get(), &dest);
      break;
  }
}

HBITMAP TPicture::Resampled(HDC source, int width, int height) const {
  if (resampled_ && resampledSize_.cx == width && resampledSize_.cy == height) {
    return static_cast<HBITMAP>(resampled_.get());
  }
  resampled_.reset();
  if (int64_t{width} * height > kMaxResampledPixels) return nullptr;
  TMemoryDc copy(source, width, height);
  if (copy.Dc() == nullptr) return nullptr;
  // Every target pixel from the average of the source pixels it covers.
  SetStretchBltMode(copy.Dc(), HALFTONE);
  SetBrushOrgEx(copy.Dc(), 0, 0, nullptr);
  if (!StretchBlt(copy.Dc(), 0, 0, width, height, source, 0, 0, width_, height_, SRCCOPY)) return nullptr;
  resampled_.reset(copy.ReleaseBitmap());
  resampledSize_ = SIZE{width, height};
  return static_cast<HBITMAP>(resampled_.get());
}

std::optional<TPicture> TPicture::Tiled(int width, int height) const {
  if (width <= 0 || height <= 0 || width > kMaxTiledSide || height > kMaxTiledSide) return std::nullopt;
  if (width_ <= 0 || height_ <= 0) return std::nullopt;
  const HDC screen = GetDC(nullptr);
  TMemoryDc canvas(screen, width, height);
  ReleaseDC(nullptr, screen);
  const HDC dc = canvas.Dc();
  if (dc == nullptr) return std::nullopt;
  const RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  // The first copy at the top-left corner; every further column and row is a copy of
  // what is already filled, doubling it each time (the same pixels as drawing each copy).
  const RECT first{0, 0, width_, height_};
  Draw(dc, first, false);
  for (int filled = width_; filled < width;) {
    const int part = std::min(filled, width - filled);
    BitBlt(dc, filled, 0, part, std::min(height_, height), dc, 0, 0, SRCCOPY);
    filled += part;
  }
  for (int filled = height_; filled < height;) {
    const int part = std::min(filled, height - filled);
    BitBlt(dc, 0, filled, width, part, dc, 0, 0, SRCCOPY);
    filled += part;
  }
  return FromBitmap(canvas.ReleaseBitmap(), Form::Bitmap);
}

}  // namespace setup::ui
