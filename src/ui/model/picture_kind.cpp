#include "base/errors.h"
#include "ui/model/layout_text.h"
#include "ui/model/page_layout.h"

namespace setup {

TPictureKind PictureKindOf(std::string_view fileName) {
  // The extension is what follows the last dot of the last path element.
  const size_t dot = fileName.find_last_of(".\\/:");
  const std::string_view extension =
      dot != std::string_view::npos && fileName[dot] == '.' ? fileName.substr(dot + 1) : std::string_view();
  const std::string lower = LowerAscii(extension);
  if (lower == "bmp") return TPictureKind::Bitmap;
  if (lower == "ico") return TPictureKind::Icon;
  if (lower == "wmf") return TPictureKind::Metafile;
  if (lower == "emf") return TPictureKind::EnhancedMetafile;
  if (lower == "jpg" || lower == "jpeg") return TPictureKind::Jpeg;
  throw SetupError("Unknown picture file extension (." + std::string(extension) + ")");
}

}  // namespace setup
