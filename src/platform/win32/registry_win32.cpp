// Registry keys through the wide API; names and values are converted from and to the
// system code page at this boundary.
#include <windows.h>

#include <utility>
#include <vector>

#include "platform/registry.h"
#include "platform/win32/registry_sandbox.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace setup::platform {

namespace win32 {
struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { RegCloseKey(h); }
};
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
}  // namespace win32

struct RegistryKey::Handle {
  win32::UniqueRegistryKey key;
};

namespace {

// The predefined handles are sign-extended pointers on 64-bit Windows, so the numeric
// root is mapped to the system's own constant rather than cast.
HKEY PredefinedHandle(uint32_t root) {
  switch (root) {
    case kHkeyClassesRoot: return HKEY_CLASSES_ROOT;
    case kHkeyCurrentUser: return HKEY_CURRENT_USER;
    case kHkeyLocalMachine: return HKEY_LOCAL_MACHINE;
    case kHkeyUsers: return HKEY_USERS;
    case kHkeyCurrentConfig: return HKEY_CURRENT_CONFIG;
    default: return nullptr;
  }
}

// The root's key: the sandbox's stand-in while a tool's sandbox is on.
HKEY RootHandle(uint32_t root) {
  const HKEY predefined = PredefinedHandle(root);
  if (predefined == nullptr) return nullptr;
  const HKEY sandboxed = win32::SandboxRoot(predefined);
  return sandboxed != nullptr ? sandboxed : predefined;
}

REGSAM AccessMask(RegistryAccess access) {
  return access == RegistryAccess::Full ? KEY_ALL_ACCESS : KEY_READ;
}

}  // namespace

RegistryKey::RegistryKey() = default;
RegistryKey::~RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;

bool RegistryKey::Open(uint32_t root, const std::string& path, RegistryAccess access) {
  Close();
  const HKEY rootKey = RootHandle(root);
  if (rootKey == nullptr) return false;
  HKEY key = nullptr;
  const std::wstring widePath = win32::AnsiToWideString(path);
  if (RegOpenKeyExW(rootKey, widePath.c_str(), 0, AccessMask(access), &key) != ERROR_SUCCESS) {
    return false;
  }
  handle_ = std::make_unique<Handle>(Handle{win32::UniqueRegistryKey(key)});
  return true;
}

bool RegistryKey::Create(uint32_t root, const std::string& path) {
  Close();
  const HKEY rootKey = RootHandle(root);
  if (rootKey == nullptr) return false;
  HKEY key = nullptr;
  const std::wstring widePath = win32::AnsiToWideString(path);
  if (RegCreateKeyExW(rootKey, widePath.c_str(), 0, nullptr,
                      win32::CreateVolatileKeys() ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  handle_ = std::make_unique<Handle>(Handle{win32::UniqueRegistryKey(key)});
  return true;
}

bool RegistryKey::IsOpen() const { return handle_ != nullptr; }

void RegistryKey::Close() { handle_.reset(); }

std::optional<std::string> RegistryKey::ReadString(const std::string& name) const {
  if (!handle_) return std::nullopt;
  const std::wstring wideName = win32::AnsiToWideString(name);
  // The value may grow between asking its size and reading it: ask again until it fits.
  std::vector<wchar_t> buffer;
  DWORD type = 0;
  DWORD bytes = 0;
  LONG status = RegQueryValueExW(handle_->key.get(), wideName.c_str(), nullptr, &type, nullptr,
                                 &bytes);
  for (int attempt = 0; status == ERROR_SUCCESS || status == ERROR_MORE_DATA; ++attempt) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    if (attempt == 8) return std::nullopt;
    // One spare character, so that data stored without a terminator still ends in one.
    buffer.assign(bytes / sizeof(wchar_t) + 2, L'\0');
    DWORD room = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    status = RegQueryValueExW(handle_->key.get(), wideName.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &room);
    if (status == ERROR_SUCCESS) {
      if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
      // The text ends at its first terminator, or with the data.
      const size_t stored = room / sizeof(wchar_t);
      size_t length = 0;
      while (length < stored && buffer[length] != L'\0') ++length;
      return win32::WideStringToAnsi(std::wstring_view(buffer.data(), length));
    }
    bytes = room;
  }
  return std::nullopt;
}

bool RegistryKey::WriteString(const std::string& name, const std::string& value) {
  if (!handle_) return false;
  const std::wstring wideName = win32::AnsiToWideString(name);
  const std::wstring wideValue = win32::AnsiToWideString(value);
  const size_t bytes = (wideValue.size() + 1) * sizeof(wchar_t);  // with the terminator
  if (bytes > MAXDWORD) return false;
  return RegSetValueExW(handle_->key.get(), wideName.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(wideValue.c_str()),
                        static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

std::optional<uint32_t> RegistryKey::ReadDword(const std::string& name) const {
  if (!handle_) return std::nullopt;
  const std::wstring wideName = win32::AnsiToWideString(name);
  DWORD type = 0;
  DWORD value = 0;
  DWORD bytes = sizeof value;
  // A value of another type or size fails here or is refused by its type.
  if (RegQueryValueExW(handle_->key.get(), wideName.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS ||
      type != REG_DWORD || bytes != sizeof value) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

bool RegistryKey::WriteDword(const std::string& name, uint32_t value) {
  if (!handle_) return false;
  const std::wstring wideName = win32::AnsiToWideString(name);
  const DWORD data = value;
  return RegSetValueExW(handle_->key.get(), wideName.c_str(), 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
}

bool RegistryKey::DeleteValue(const std::string& name) {
  if (!handle_) return false;
  const std::wstring wideName = win32::AnsiToWideString(name);
  return RegDeleteValueW(handle_->key.get(), wideName.c_str()) == ERROR_SUCCESS;
}

bool RegistryKeyExists(uint32_t root, const std::string& path) {
  const HKEY rootKey = RootHandle(root);
  if (rootKey == nullptr) return false;
  HKEY key = nullptr;
  const std::wstring widePath = win32::AnsiToWideString(path);
  const LONG status = RegOpenKeyExW(rootKey, widePath.c_str(), 0, KEY_QUERY_VALUE, &key);
  if (status == ERROR_SUCCESS) RegCloseKey(key);
  // A key the user may not open still exists.
  return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
}

bool DeleteRegistryKey(uint32_t root, const std::string& path) {
  const HKEY rootKey = RootHandle(root);
  if (rootKey == nullptr) return false;
  const std::wstring widePath = win32::AnsiToWideString(path);
  // The call would refuse an empty path too; saying so here keeps that independent of it.
  if (widePath.find_first_not_of(L'\\') == std::wstring::npos) return false;
  return RegDeleteKeyW(rootKey, widePath.c_str()) == ERROR_SUCCESS;
}

}  // namespace setup::platform
