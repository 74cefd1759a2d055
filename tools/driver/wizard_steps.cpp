#include "wizard_steps.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "driver_io.h"
#include "read_out.h"

namespace driver {

namespace {

constexpr const wchar_t* kWizardClass = L"TFrmMain";

std::wstring FromUtf8(const std::string& text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

constexpr const wchar_t* kMessageBoxClass = L"#32770";

BOOL CALLBACK CollectChild(HWND window, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectVisibleChild(HWND window, LPARAM data) {
  if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

std::vector<HWND> VisibleControls(HWND wizard) {
  std::vector<HWND> controls;
  EnumChildWindows(wizard, CollectVisibleChild, reinterpret_cast<LPARAM>(&controls));
  return controls;
}

bool IsPushButton(HWND window) {
  if (ClassName(window) != L"Button") return false;
  const LONG_PTR type = GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

HWND FindButton(HWND wizard, const std::wstring& caption) {
  for (HWND control : VisibleControls(wizard)) {
    if (IsPushButton(control) && ControlText(control) == caption) return control;
  }
  return nullptr;
}

std::wstring RectText(HWND wizard, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, wizard, reinterpret_cast<POINT*>(&rect), 2);
  return std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"," +
         std::to_wstring(rect.right - rect.left) + L"x" + std::to_wstring(rect.bottom - rect.top);
}

void PutU16(std::string& out, uint16_t v) { out.append({static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}); }
void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Copies the window's rectangle from the screen into a 24-bit bottom-up BMP file.
bool SaveScreenshot(HWND window, const std::wstring& path) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
  }
  if (ok) {
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t imageSize = stride * static_cast<uint32_t>(height);
    std::string file = "BM";
    PutU32(file, 14 + 40 + imageSize);
    PutU32(file, 0);
    PutU32(file, 14 + 40);
    PutU32(file, 40);
    PutU32(file, static_cast<uint32_t>(width));
    PutU32(file, static_cast<uint32_t>(height));
    PutU16(file, 1);
    PutU16(file, 24);
    PutU32(file, 0);
    PutU32(file, imageSize);
    for (int i = 0; i < 4; ++i) PutU32(file, 0);
    file.append(static_cast<const char*>(bits), imageSize);
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    ok = out.good();
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

// Time for the program to take in keys before the next step looks at its windows.
constexpr ULONGLONG kKeySettleMs = 150;

// The virtual key of a key name; 0 for none.
WORD VirtualKey(const std::wstring& name) {
  static const std::pair<const wchar_t*, WORD> kNames[] = {
      {L"Tab", VK_TAB},   {L"Enter", VK_RETURN}, {L"Escape", VK_ESCAPE}, {L"Space", VK_SPACE}, {L"Up", VK_UP},
      {L"Down", VK_DOWN}, {L"Left", VK_LEFT},    {L"Right", VK_RIGHT},   {L"Shift", VK_SHIFT}, {L"Ctrl", VK_CONTROL},
      {L"Alt", VK_MENU},  {L"Home", VK_HOME},    {L"End", VK_END},
  };
  for (const auto& [text, key] : kNames) {
    if (name == text) return key;
  }
  if (name.size() == 1 && ((name[0] >= L'A' && name[0] <= L'Z') || (name[0] >= L'0' && name[0] <= L'9'))) {
    return static_cast<WORD>(name[0]);
  }
  return 0;
}

INPUT KeyInput(WORD key, wchar_t unicode, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = unicode;
  input.ki.dwFlags = (unicode != 0 ? KEYEVENTF_UNICODE : 0) | (up ? KEYEVENTF_KEYUP : 0);
  return input;
}

// The wizard in front, unless a window of its program (a message box, a menu) is.
void BringToFront(HWND wizard) {
  DWORD frontProcess = 0;
  GetWindowThreadProcessId(GetForegroundWindow(), &frontProcess);
  DWORD wizardProcess = 0;
  GetWindowThreadProcessId(wizard, &wizardProcess);
  if (frontProcess != wizardProcess) SetForegroundWindow(wizard);
}

// Presses the chord "Shift+Tab": every key down in order, then up in reverse; false for
// a name that is no key.
bool PressChord(const std::wstring& chord) {
  std::vector<WORD> keys;
  for (size_t start = 0; start <= chord.size();) {
    size_t plus = chord.find(L'+', start);
    if (plus == std::wstring::npos) plus = chord.size();
    const WORD key = VirtualKey(chord.substr(start, plus - start));
    if (key == 0) return false;
    keys.push_back(key);
    start = plus + 1;
  }
  std::vector<INPUT> inputs;
  for (WORD key : keys) inputs.push_back(KeyInput(key, 0, false));
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) inputs.push_back(KeyInput(*key, 0, true));
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

void TypeText(const std::wstring& text) {
  std::vector<INPUT> inputs;
  for (wchar_t c : text) {
    inputs.push_back(KeyInput(0, c, false));
    inputs.push_back(KeyInput(0, c, true));
  }
  if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

bool WizardSteps::Load(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  if (!in) {
    Complain(L"cannot read the steps file " + path);
    return false;
  }
  static const wchar_t* const kVerbs[] = {L"wait-window", L"wait-text", L"press", L"type",  L"command", L"answer",
                                          L"list",        L"state",     L"screenshot", L"sleep", L"close", L"hold-boxes", L"wait-box", L"move-box",
                                          L"key",         L"keys",      L"focus",      L"dpi", L"read-out"};
  std::string raw;
  while (std::getline(in, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    const std::wstring line = FromUtf8(raw);
    if (line.empty() || line[0] == L'#') continue;
    const size_t blank = line.find(L' ');
    Step step{line.substr(0, blank), blank == std::wstring::npos ? L"" : line.substr(blank + 1), line};
    bool known = false;
    for (const wchar_t* verb : kVerbs) known = known || step.verb == verb;
    if (!known) {
      Complain(L"unknown step: " + line);
      return false;
    }
    steps_.push_back(step);
  }
  return true;
}

std::optional<int> WizardSteps::TakeBoxAnswer() {
  std::optional<int> answer = boxAnswer_;
  boxAnswer_.reset();
  return answer;
}

void WizardSteps::Advance(DWORD processId) {
  processId_ = processId;
  while (next_ < steps_.size()) {
    if (GetTickCount64() < sleepUntil_) return;
    const std::vector<HWND> wizards = TopLevelWindowsOf(processId, kWizardClass);
    const Step& step = steps_[next_];
    if (!started_) {
      Report(L"STEP " + std::to_wstring(next_ + 1) + L" " + step.line);
      started_ = true;
    }
    if (!TryStep(step, wizards.empty() ? nullptr : wizards.front())) return;
    ++next_;
    started_ = false;
    if (next_ == steps_.size()) Report(L"STEPS_DONE");
  }
}

bool WizardSteps::TryStep(const Step& step, HWND wizard) {
  if (step.verb == L"sleep") {
    sleepUntil_ = GetTickCount64() + std::wcstoul(step.argument.c_str(), nullptr, 10);
    return true;
  }
  if (step.verb == L"answer") {
    static const std::pair<const wchar_t*, int> kAnswers[] = {{L"OK", IDOK}, {L"Cancel", IDCANCEL}, {L"Yes", IDYES},
                                                              {L"No", IDNO}};
    for (const auto& [name, id] : kAnswers) {
      if (step.argument == name) boxAnswer_ = id;
    }
    holdBoxes_ = false;
    return true;
  }
  if (step.verb == L"hold-boxes") {
    holdBoxes_ = true;
    return true;
  }
  if (step.verb == L"wait-box") {
    const std::vector<HWND> boxes = TopLevelWindowsOf(processId_, kMessageBoxClass);
    return !boxes.empty() && WindowText(boxes.front()) == step.argument;
  }
  if (step.verb == L"move-box") {
    for (HWND box : TopLevelWindowsOf(processId_, kMessageBoxClass)) {
      SetWindowPos(box, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return true;
  }
  if (wizard == nullptr) return false;  // every other step needs the wizard
  if (step.verb == L"wait-window") return true;
  if (step.verb == L"wait-text") {
    for (HWND control : VisibleControls(wizard)) {
      if (ControlText(control) == step.argument) return true;
    }
    return false;
  }
  if (step.verb == L"press") {
    HWND button = FindButton(wizard, step.argument);
    if (button == nullptr || !IsWindowEnabled(button)) return false;
    PostMessageW(button, BM_CLICK, 0, 0);
    return true;
  }
  if (step.verb == L"type") {
    for (HWND control : VisibleControls(wizard)) {
      if (ClassName(control) != L"Edit" || (GetWindowLongPtrW(control, GWL_STYLE) & ES_MULTILINE) != 0) continue;
      DWORD_PTR result = 0;
      SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(step.argument.c_str()),
                          SMTO_ABORTIFHUNG, 2000, &result);
      return true;
    }
    return false;
  }
  if (step.verb == L"command") {
    PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(std::wcstoul(step.argument.c_str(), nullptr, 10), 0), 0);
    return true;
  }
  if (step.verb == L"key" || step.verb == L"keys") {
    BringToFront(wizard);
    if (step.verb == L"keys") {
      TypeText(step.argument);
    } else if (!PressChord(step.argument)) {
      Complain(L"no such key: " + step.argument);
    }
    sleepUntil_ = GetTickCount64() + kKeySettleMs;
    return true;
  }
  if (step.verb == L"focus") {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(wizard, nullptr);
    if (!GetGUIThreadInfo(thread, &info) || info.hwndFocus == nullptr) {
      Report(L"FOCUS none");
    } else {
      Report(L"FOCUS class=" + ClassName(info.hwndFocus) + L" rect=" + RectText(wizard, info.hwndFocus) +
             L" text=" + Escape(ControlText(info.hwndFocus)));
    }
    return true;
  }
  if (step.verb == L"dpi") {
    const auto dpi = static_cast<WORD>(std::wcstoul(step.argument.c_str(), nullptr, 10));
    PostMessageW(wizard, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
    sleepUntil_ = GetTickCount64() + kKeySettleMs;
    return true;
  }
  if (step.verb == L"list") {
    Report(L"TITLE " + Escape(WindowText(wizard)));
    RECT client{};
    GetClientRect(wizard, &client);
    Report(L"CLIENT " + std::to_wstring(client.right) + L"x" + std::to_wstring(client.bottom));
    for (HWND control : VisibleControls(wizard)) {
      Report(L"CONTROL class=" + ClassName(control) + L" enabled=" + (IsWindowEnabled(control) ? L"1" : L"0") +
             L" rect=" + RectText(wizard, control) + L" text=" + Escape(ControlText(control)));
    }
    return true;
  }
  if (step.verb == L"read-out") {
    for (HWND control : VisibleControls(wizard)) {
      Report(L"READOUT class=" + ClassName(control) + L" rect=" + RectText(wizard, control) + L" " +
             ReadOut(control));
    }
    return true;
  }
  if (step.verb == L"state") {
    std::vector<HWND> all;
    EnumChildWindows(wizard, CollectChild, reinterpret_cast<LPARAM>(&all));
    for (HWND control : all) {
      if (!IsPushButton(control) || ControlText(control) != step.argument) continue;
      Report(L"STATE " + step.argument + L" visible=" + (IsWindowVisible(control) ? L"1" : L"0") +
             L" enabled=" + (IsWindowEnabled(control) ? L"1" : L"0"));
      return true;
    }
    Report(L"STATE " + step.argument + L" missing");
    return true;
  }
  if (step.verb == L"screenshot") {
    // Let the last changes reach the screen first.
    RedrawWindow(wizard, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    const bool saved = SaveScreenshot(wizard, step.argument);
    Report((saved ? L"SCREENSHOT " : L"SCREENSHOT_FAILED ") + step.argument);
    return true;
  }
  if (step.verb == L"close") {
    PostMessageW(wizard, WM_CLOSE, 0, 0);
    return true;
  }
  return true;
}

}  // namespace driver
