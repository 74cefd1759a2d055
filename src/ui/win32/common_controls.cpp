#include "ui/win32/common_controls.h"

#include "platform/win32/system_library.h"

namespace setup::ui {

namespace {

struct CommonControls {
  decltype(&::InitCommonControlsEx) initCommonControlsEx = nullptr;
  decltype(&::ImageList_Create) imageListCreate = nullptr;
  decltype(&::ImageList_AddMasked) imageListAddMasked = nullptr;
  decltype(&::ImageList_Destroy) imageListDestroy = nullptr;
};

// Loaded once, on first use, and kept for the life of the process: its window classes
// and image lists live as long as the windows that use them.
const CommonControls& Library() {
  static const CommonControls functions = [] {
    using platform::win32::SystemFunction;
    CommonControls loaded;
    const HMODULE module = platform::win32::LoadSystemLibrary(L"comctl32.dll");
    loaded.initCommonControlsEx = SystemFunction<decltype(loaded.initCommonControlsEx)>(module, "InitCommonControlsEx");
    loaded.imageListCreate = SystemFunction<decltype(loaded.imageListCreate)>(module, "ImageList_Create");
    loaded.imageListAddMasked = SystemFunction<decltype(loaded.imageListAddMasked)>(module, "ImageList_AddMasked");
    loaded.imageListDestroy = SystemFunction<decltype(loaded.imageListDestroy)>(module, "ImageList_Destroy");
    return loaded;
  }();
  return functions;
}

}  // namespace

bool InitCommonControlClasses(DWORD classes) {
  const auto function = Library().initCommonControlsEx;
  if (function == nullptr) return false;
  const INITCOMMONCONTROLSEX controls{sizeof controls, classes};
  return function(&controls) != FALSE;
}

HIMAGELIST CreateImageList(int width, int height, UINT flags, int initial, int grow) {
  const auto function = Library().imageListCreate;
  return function != nullptr ? function(width, height, flags, initial, grow) : nullptr;
}

int AddMaskedImage(HIMAGELIST list, HBITMAP image, COLORREF mask) {
  const auto function = Library().imageListAddMasked;
  return function != nullptr ? function(list, image, mask) : -1;
}

void DestroyImageList(HIMAGELIST list) {
  const auto function = Library().imageListDestroy;
  if (function != nullptr) function(list);
}

}  // namespace setup::ui
