#include "ui/win32/page_controls.h"

#include "script/setup_context.h"
#include "ui/win32/page_control_kinds.h"

namespace setup::ui {

std::unique_ptr<TPageControl> CreatePageControl(const TControlDesc& desc, TPageArea& pageArea,
                                                SetupContext& context) {
  switch (desc.Type) {
    case TControlType::Label:
    case TControlType::Panel:
    case TControlType::Bevel:
      return CreateLabelControl(desc, pageArea, context);
    case TControlType::Edit:
    case TControlType::Memo:
      return CreateEditControl(desc, pageArea, context);
    case TControlType::Button:
    case TControlType::Radio:
      return CreateButtonControl(desc, pageArea, context);
    case TControlType::RichEdit:
      return CreateRichEditControl(desc, pageArea, context);
    case TControlType::Image:
      return CreateImageControl(desc, pageArea, context);
    case TControlType::ProgressBar:
      return CreateGaugeControl(desc, pageArea);
    case TControlType::ShellTreeView:
      return CreateTreeControl(desc, pageArea);
  }
  return nullptr;
}

}  // namespace setup::ui
