#include "driver_io.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace driver {

namespace {

void WriteLine(HANDLE stream, const std::wstring& line) {
  const std::wstring full = line + L"\n";
  const int size = WideCharToMultiByte(CP_UTF8, 0, full.data(), static_cast<int>(full.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return;
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, full.data(), static_cast<int>(full.size()), utf8.data(), size,
                      nullptr, nullptr);
  DWORD written = 0;
  // Unbuffered: a script waiting for a line sees it at once.
  WriteFile(stream, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

// Set by StampReportsFrom: the performance-counter reading the stamps count from.
LARGE_INTEGER stampOrigin{};

}  // namespace

void StampReportsFrom(LARGE_INTEGER origin) { stampOrigin = origin; }

void Report(const std::wstring& line) {
  if (stampOrigin.QuadPart == 0) {
    WriteLine(GetStdHandle(STD_OUTPUT_HANDLE), line);
    return;
  }
  LARGE_INTEGER now{}, frequency{};
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  const long long ms = (now.QuadPart - stampOrigin.QuadPart) * 1000 / frequency.QuadPart;
  WriteLine(GetStdHandle(STD_OUTPUT_HANDLE), L"@" + std::to_wstring(ms) + L" " + line);
}
void Complain(const std::wstring& line) {
  WriteLine(GetStdHandle(STD_ERROR_HANDLE), L"setup_driver: " + line);
}

std::wstring Escape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\r') {
      out += L"\\r";
    } else if (c == L'\n') {
      out += L"\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::wstring WindowText(HWND window) {
  wchar_t buffer[4096] = {};
  GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
  return buffer;
}

std::wstring ClassName(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, static_cast<int>(std::size(buffer)));
  return buffer;
}

std::wstring ControlText(HWND window) {
  wchar_t buffer[4096] = {};
  DWORD_PTR copied = 0;
  if (SendMessageTimeoutW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                          SMTO_ABORTIFHUNG, 500, &copied) == 0) {
    return WindowText(window);
  }
  return std::wstring(buffer, std::min<size_t>(copied, std::size(buffer) - 1));
}

namespace {

struct WindowSearch {
  DWORD processId;
  const std::wstring& className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window) &&
      (search->className.empty() || ClassName(window) == search->className)) {
    search->found.push_back(window);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD processId, const std::wstring& className) {
  WindowSearch search{processId, className, {}};
  EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace driver
