#include <windows.h>

#include "platform/dialogs.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

int SystemMessageBox(const MessageRequest& request) {
  UINT style = MB_OK;
  switch (request.buttons) {
    case MessageButtons::Ok: style = MB_OK; break;
    case MessageButtons::OkCancel: style = MB_OKCANCEL; break;
    case MessageButtons::YesNo: style = MB_YESNO; break;
    case MessageButtons::YesNoCancel: style = MB_YESNOCANCEL; break;
  }
  const std::wstring text = win32::ToWide(request.text);
  const std::wstring caption = win32::ToWide(request.caption);
  // No owner window: the boxes appear before, after or beside the wizard alike.
  return MessageBoxW(nullptr, text.c_str(), caption.c_str(), style);
}

}  // namespace setup::platform
