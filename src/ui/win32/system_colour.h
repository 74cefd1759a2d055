#pragma once
// Colour properties as the layouts give them: 0x00BBGGRR, or a system colour written
// as 0x80000000 plus the system colour's index, resolved to its current value when
// used.

#include <windows.h>

#include <cstdint>

namespace setup::ui {

inline COLORREF ResolveColour(uint32_t colour) {
  if ((colour & 0xFF000000u) == 0x80000000u) return GetSysColor(static_cast<int>(colour & 0xFFu));
  return colour & 0xFFFFFFu;
}

}  // namespace setup::ui
