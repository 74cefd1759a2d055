#pragma once
// The common controls library (comctl32), loaded from the system folder at run time
// rather than named in the import table: it is not among the DLLs that Windows always
// maps from the system folder, so a file of its name beside the setup would be loaded
// in its place. The manifest's version 6 still applies to the load. Each call does
// nothing (and reports failure) when the library or the function is missing; creating
// the control windows then fails with the caller's own message.

#include <windows.h>

#include <commctrl.h>

namespace setup::ui {

// InitCommonControlsEx for the given ICC_ classes.
bool InitCommonControlClasses(DWORD classes);

// ImageList_Create, ImageList_AddMasked and ImageList_Destroy.
HIMAGELIST CreateImageList(int width, int height, UINT flags, int initial, int grow);
int AddMaskedImage(HIMAGELIST list, HBITMAP image, COLORREF mask);
void DestroyImageList(HIMAGELIST list);

}  // namespace setup::ui
