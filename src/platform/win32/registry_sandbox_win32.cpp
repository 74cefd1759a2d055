// The registry sandbox of tools: this program's registry service sends each root to a
// subkey of one volatile key, read back and deleted at the end. The predefined handles
// themselves stay as they are, so the system's libraries keep the real registry.
#include <windows.h>

#include <array>
#include <atomic>
#include <mutex>
#include <utility>

#include "platform/registry.h"
#include "platform/win32/registry_sandbox.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

namespace {

struct Root {
  uint32_t number;
  HKEY handle;
  const wchar_t* name;
};
const std::array<Root, 5> kRoots = {{{kHkeyClassesRoot, HKEY_CLASSES_ROOT, L"HKCR"},
                                     {kHkeyCurrentUser, HKEY_CURRENT_USER, L"HKCU"},
                                     {kHkeyLocalMachine, HKEY_LOCAL_MACHINE, L"HKLM"},
                                     {kHkeyUsers, HKEY_USERS, L"HKU"},
                                     {kHkeyCurrentConfig, HKEY_CURRENT_CONFIG, L"HKCC"}}};

std::atomic<bool> volatileKeys{false};
std::mutex sandboxMutex;
HKEY sandboxKey = nullptr;        // HKCU\Software\setupc-sandbox-...
std::wstring sandboxPath;         // its path below the real HKCU
std::array<HKEY, 5> rootKeys{};   // its subkeys, one per root

void DeleteTree(HKEY parent, const std::wstring& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    for (;;) {
      wchar_t sub[256];
      DWORD length = 256;
      if (RegEnumKeyExW(key, 0, sub, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      const std::wstring subName(sub, length);
      DeleteTree(key, subName);
      if (RegDeleteKeyW(key, subName.c_str()) != ERROR_SUCCESS) break;  // never loop for ever
    }
    RegCloseKey(key);
  }
}

void CollectValues(HKEY key, uint32_t root, const std::wstring& path, std::vector<SandboxRegistryValue>& out) {
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) break;
    std::vector<BYTE> data(bytes + sizeof(wchar_t));
    nameLength = 16384;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &bytes) != ERROR_SUCCESS) break;
    SandboxRegistryValue value{root, win32::WideStringToAnsi(path), win32::WideStringToAnsi(std::wstring(name, nameLength)), {}};
    if (type == REG_DWORD && bytes == 4) {
      DWORD number = 0;
      memcpy(&number, data.data(), 4);
      value.data = std::to_string(number);
    } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
      std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), bytes / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      value.data = win32::WideStringToAnsi(text);
    } else {
      value.data = "(" + std::to_string(bytes) + " bytes of type " + std::to_string(type) + ")";
    }
    out.push_back(std::move(value));
  }
  for (DWORD i = 0;; ++i) {
    wchar_t sub[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, sub, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    const std::wstring subName(sub, length);
    HKEY child = nullptr;
    if (RegOpenKeyExW(key, subName.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
    CollectValues(child, root, path.empty() ? subName : path + L"\\" + subName, out);
    RegCloseKey(child);
  }
}

void CloseAll() {
  for (HKEY& key : rootKeys) {
    if (key != nullptr) RegCloseKey(key);
    key = nullptr;
  }
  if (sandboxKey != nullptr) RegCloseKey(sandboxKey);
  sandboxKey = nullptr;
}

}  // namespace

bool win32::CreateVolatileKeys() { return volatileKeys; }

HKEY win32::SandboxRoot(HKEY root) {
  if (!volatileKeys) return nullptr;
  std::lock_guard<std::mutex> lock(sandboxMutex);
  for (size_t i = 0; i < kRoots.size(); ++i) {
    if (kRoots[i].handle == root) return rootKeys[i];
  }
  return nullptr;
}

std::string BeginRegistrySandbox() {
  std::lock_guard<std::mutex> lock(sandboxMutex);
  if (sandboxKey != nullptr) return {};
  // Digits through the narrow conversion: the wide one would bring the C library's
  // wide formatting into the stub, which links this file.
  sandboxPath = win32::AnsiToWideString("Software\\setupc-sandbox-" + std::to_string(GetCurrentProcessId()) + "-" +
                                        std::to_string(GetTickCount()));
  if (RegCreateKeyExW(HKEY_CURRENT_USER, sandboxPath.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &sandboxKey, nullptr) != ERROR_SUCCESS) {
    sandboxKey = nullptr;
    return {};
  }
  bool made = true;
  for (size_t i = 0; i < kRoots.size() && made; ++i) {
    made = RegCreateKeyExW(sandboxKey, kRoots[i].name, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           &rootKeys[i], nullptr) == ERROR_SUCCESS;
  }
  if (!made) {
    CloseAll();
    DeleteTree(HKEY_CURRENT_USER, sandboxPath);
    RegDeleteKeyW(HKEY_CURRENT_USER, sandboxPath.c_str());
    return {};
  }
  volatileKeys = true;
  return "HKCU\\" + win32::WideStringToAnsi(sandboxPath) + " (volatile)";
}

std::vector<SandboxRegistryValue> SandboxRegistryValues() {
  std::lock_guard<std::mutex> lock(sandboxMutex);
  std::vector<SandboxRegistryValue> values;
  for (size_t i = 0; i < kRoots.size(); ++i) {
    if (rootKeys[i] != nullptr) CollectValues(rootKeys[i], kRoots[i].number, L"", values);
  }
  return values;
}

void EndRegistrySandbox() {
  std::lock_guard<std::mutex> lock(sandboxMutex);
  if (sandboxKey == nullptr) return;
  volatileKeys = false;
  CloseAll();
  DeleteTree(HKEY_CURRENT_USER, sandboxPath);
  RegDeleteKeyW(HKEY_CURRENT_USER, sandboxPath.c_str());
}

}  // namespace setup::platform
