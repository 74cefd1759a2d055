// Pictures ("timage"): no window of their own; the page area paints them in its list
// order beneath every window. The picture comes from a package entry written for a
// moment to the temporary folder under the name the layout gives.

#include <optional>
#include <string>

#include "base/errors.h"
#include "installlog/uninstall_list.h"
#include "package/entry_path.h"
#include "script/setup_context.h"
#include "ui/model/dpi_scale.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_control_kinds.h"
#include "ui/win32/page_picture.h"
#include "ui/win32/page_temp_file.h"
#include "ui/win32/page_window_control.h"
#include "ui/win32/window_dpi.h"

namespace setup::ui {

namespace {

constexpr SIZE kImageSize{105, 105};

// The picture of the entry named (group 0); nullopt when there is no such entry or it
// holds no picture. Raises SetupError for a name whose extension is no picture kind
// and for a name that would leave the temporary folder.
std::optional<TPicture> LoadPictureEntry(const std::string& name, SetupContext& context) {
  const std::optional<size_t> index = context.Package.IndexOf(name, 0);
  if (!index) return std::nullopt;
  const TPictureKind kind = PictureKindOf(name);
  const EntryPath path = SplitEntryPath(name);
  if (!path.Safe()) throw SetupError("Picture file \"" + name + "\" refused: " + path.refusal);
  const std::optional<Bytes> bytes = context.Package.ExtractEntry(*index);
  if (!bytes) return std::nullopt;

  const std::string fileName = TemporaryPath(JoinEntryPath(path.components, '\\'));
  ForceDirectoriesLogged(fileName.substr(0, fileName.rfind('\\') + 1), context.UninstallList);
  // The file exists while the picture loads, from the same bytes.
  const TTemporaryFile file(fileName, *bytes);
  return TPicture::Load(*bytes, kind);
}

class TPageImage final : public TPageControl, public IPaintedPicture {
 public:
  TPageImage(const TControlDesc& desc, TPageArea& area, SetupContext& context)
      : TPageControl(desc.Name, desc.Type, {}),
        area_(area),
        layoutBounds_(ControlBounds(desc, kImageSize)),
        stretch_(desc.Stretch.value_or(false)),
        center_(desc.Center.value_or(false)),
        transparent_(desc.Transparent.value_or(false)) {
    if (desc.File) picture_ = LoadPictureEntry(*desc.File, context);
    if (desc.Tile && picture_) {
      std::optional<TPicture> tiled =
          picture_->Tiled(layoutBounds_.right - layoutBounds_.left, layoutBounds_.bottom - layoutBounds_.top);
      if (tiled) picture_ = std::move(tiled);
    }
    area_.AddPicture(this);
  }

  ~TPageImage() override {
    area_.RemovePicture(this);
    if (visible_) area_.Invalidate(Bounds());
  }

  HWND Window() const override { return nullptr; }
  void SetVisible(bool visible) override {
    if (visible == visible_) return;
    visible_ = visible;
    area_.Invalidate(Bounds());
  }
  bool Visible() const override { return visible_; }
  void SendToBack() override { area_.SendPictureToBack(this); }
  void RefreshCaption(const SetupContext& /*context*/) override {}
  void ApplyDpi() override {}  // the place follows the area's DPI whenever it is asked

  void Paint(HDC dc) const override {
    if (!picture_) return;
    const RECT bounds = Bounds();
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    picture_->Draw(dc, DestRect(bounds), transparent_);
    RestoreDC(dc, saved);
  }
  RECT Bounds() const override { return ScaleRect(layoutBounds_, area_.Dpi()); }

 private:
  // The picture at its own size (its pixels taken as layout pixels, so scaled by the
  // DPI) at the top-left corner, or stretched to the control; centred, it keeps that
  // size with its middle at the control's.
  RECT DestRect(const RECT& bounds) const {
    const int controlWidth = bounds.right - bounds.left;
    const int controlHeight = bounds.bottom - bounds.top;
    const int width = stretch_ ? controlWidth : ScaleSize(picture_->Width(), area_.Dpi());
    const int height = stretch_ ? controlHeight : ScaleSize(picture_->Height(), area_.Dpi());
    RECT dest{bounds.left, bounds.top, bounds.left + width, bounds.top + height};
    if (center_) OffsetRect(&dest, (controlWidth - width) / 2, (controlHeight - height) / 2);
    return dest;
  }

  TPageArea& area_;
  RECT layoutBounds_;
  bool stretch_;
  bool center_;
  bool transparent_;
  bool visible_ = false;
  std::optional<TPicture> picture_;
};

}  // namespace

std::unique_ptr<TPageControl> CreateImageControl(const TControlDesc& desc, TPageArea& area, SetupContext& context) {
  return std::make_unique<TPageImage>(desc, area, context);
}

}  // namespace setup::ui
