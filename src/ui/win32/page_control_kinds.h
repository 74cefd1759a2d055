#pragma once
// The makers of the page controls, one per kind; CreatePageControl picks by type.
// Internal to the page controls.

#include <memory>

#include "ui/model/page_layout.h"
#include "ui/win32/page_controls.h"

namespace setup::ui {

// "tlabel", "tpanel", "tbevel": windows of their own that paint what lies beneath.
std::unique_ptr<TPageControl> CreateLabelControl(const TControlDesc& desc, TPageArea& area,
                                                 const SetupContext& context);
// "tedit", "tmemo".
std::unique_ptr<TPageControl> CreateEditControl(const TControlDesc& desc, TPageArea& area,
                                                const SetupContext& context);
// "tbutton", "tradio".
std::unique_ptr<TPageControl> CreateButtonControl(const TControlDesc& desc, TPageArea& area,
                                                  const SetupContext& context);
// "trichedit".
std::unique_ptr<TPageControl> CreateRichEditControl(const TControlDesc& desc, TPageArea& area,
                                                    SetupContext& context);
// "timage".
std::unique_ptr<TPageControl> CreateImageControl(const TControlDesc& desc, TPageArea& area,
                                                 SetupContext& context);
// "tprogressbar", "tshelltreeview".
std::unique_ptr<TPageControl> CreateGaugeControl(const TControlDesc& desc, TPageArea& area);
std::unique_ptr<TPageControl> CreateTreeControl(const TControlDesc& desc, TPageArea& area);

}  // namespace setup::ui
