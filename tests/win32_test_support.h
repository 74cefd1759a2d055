#pragma once
// Helpers for the tests of the Windows build alone: what an executable's resources and
// a window hold, read through the system's own calls.

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "test_support.h"

namespace setup::test {

// The icon image with that identifier as the file now holds it; empty when it has none.
inline Bytes IconResource(const std::string& exePath, uint16_t id) {
  platform::win32::UniqueModule module(
      LoadLibraryExW(platform::win32::AnsiToWideString(exePath).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return {};
  HRSRC found = FindResourceW(module.get(), MAKEINTRESOURCEW(id), RT_ICON);
  HGLOBAL loaded = found != nullptr ? LoadResource(module.get(), found) : nullptr;
  const auto* data = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (data == nullptr) return {};
  return Bytes(data, data + SizeofResource(module.get(), found));
}

// A window's text, as a screen reader or the wizard driver reads it.
inline std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace setup::test
