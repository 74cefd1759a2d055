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
    case MessageButtons::RetryCancel: style = MB_RETRYCANCEL; break;
  }
  if (request.icon == MessageIcon::Question) style |= MB_ICONQUESTION;
  if (request.icon == MessageIcon::Warning) style |= MB_ICONWARNING;
  const std::wstring text = win32::ToWide(request.text);
  const std::wstring caption = win32::ToWide(request.caption);
  // A quit request already in this thread's queue (a closed main window posts one)
  // would end the box before anyone sees it: hold the request back while the box is
  // up, and put it back afterwards.
  MSG quit{};
  const bool quitPending = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  // No owner window: the boxes appear before, after or beside the wizard alike.
  const int answer = MessageBoxW(nullptr, text.c_str(), caption.c_str(), style);
  if (quitPending) PostQuitMessage(static_cast<int>(quit.wParam));
  return answer;
}

}  // namespace setup::platform
