// Pictures ("timage"): no window of their own; the page area paints them in its list
// order beneath every window. The picture comes from a package entry written for a
// moment to the temporary folder under the name the layout gives.

#include <optional>
#include <string>

#include "base/errors.h"
#include "package/entry_path.h"
#include "script/setup_context.h"
#include "uninstall/uninstall_list.h"
#include "ui/win32/page_area.h"
#include "ui/win32/page_control_kinds.h"
#include "ui/win32/page_picture.h"
#include "ui/win32/page_temp_file.h"
#include "ui/win32/page_window_control.h"

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
        bounds_(ControlBounds(desc, kImageSize)),
        stretch_(desc.Stretch.value_or(false)),
        center_(desc.Center.value_or(false)),
        transparent_(desc.Transparent.value_or(false)) {
    if (desc.File) picture_ = LoadPictureEntry(*desc.File, context);
    if (desc.Tile && picture_) {
      std::optional<TPicture> tiled = picture_->Tiled(bounds_.right - bounds_.left, bounds_.bottom - bounds_.top);
      if (tiled) picture_ = std::move(tiled);
    }
    area_.AddPicture(this);
  }

  ~TPageImage() override {
    area_.RemovePicture(this);
    if (visible_) area_.Invalidate(bounds_);
  }

  HWND Window() const override { return nullptr; }
  void SetVisible(bool visible) override {
    if (visible == visible_) return;
    visible_ = visible;
    area_.Invalidate(bounds_);
  }
  bool Visible() const override { return visible_; }
  void SendToBack() override { area_.SendPictureToBack(this); }
  void RefreshCaption(const SetupContext& /*context*/) override {}

  void Paint(HDC dc) const override {
    if (!picture_) return;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, bounds_.left, bounds_.top, bounds_.right, bounds_.bottom);
    picture_->Draw(dc, DestRect(), transparent_);
    RestoreDC(dc, saved);
  }
  RECT Bounds() const override { return bounds_; }

 private:
  // The picture at its own size at the top-left corner, or stretched to the control;
  // centred, it keeps that size with its middle at the control's.
  RECT DestRect() const {
    const int controlWidth = bounds_.right - bounds_.left;
    const int controlHeight = bounds_.bottom - bounds_.top;
    const int width = stretch_ ? controlWidth : picture_->Width();
    const int height = stretch_ ? controlHeight : picture_->Height();
    RECT dest{bounds_.left, bounds_.top, bounds_.left + width, bounds_.top + height};
    if (center_) OffsetRect(&dest, (controlWidth - width) / 2, (controlHeight - height) / 2);
    return dest;
  }

  TPageArea& area_;
  RECT bounds_;
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
