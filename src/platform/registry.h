#pragma once
// Registry services: keys under the five predefined roots, string and number
// (REG_DWORD) values.
// Key paths are "\"-separated text in the system code page, relative to the root
// ("Software\Vendor\Product"); an empty path names the root itself, a trailing "\"
// is ignored. Key and value names are matched without regard to case. An empty value
// name stands for the key's default value.
// The Windows build uses the real registry; the posix build keeps an in-memory tree
// with the same rules (see posix/registry_posix.h for what tests can see of it).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace setup::platform {

// Root keys by the numeric values Windows gives them; 0 is no key, with which every
// operation fails.
inline constexpr uint32_t kNoRootKey = 0;
inline constexpr uint32_t kHkeyClassesRoot = 0x80000000u;
inline constexpr uint32_t kHkeyCurrentUser = 0x80000001u;
inline constexpr uint32_t kHkeyLocalMachine = 0x80000002u;
inline constexpr uint32_t kHkeyUsers = 0x80000003u;
inline constexpr uint32_t kHkeyCurrentConfig = 0x80000005u;

enum class RegistryAccess {
  Read,  // query values and subkeys
  Full,  // read, write and delete; an existing key the user may only read fails to open
};

// An open registry key; closes itself. Move-only.
class RegistryKey {
 public:
  RegistryKey();
  ~RegistryKey();
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens an existing key, never creating it; false when it is absent or cannot be
  // opened with the access asked for.
  bool Open(uint32_t root, const std::string& path, RegistryAccess access = RegistryAccess::Read);
  // Opens the key with full access, creating it and any missing parents.
  bool Create(uint32_t root, const std::string& path);
  bool IsOpen() const;
  void Close();

  // The string value of that name: nullopt when the key is not open, the value is
  // absent or it does not hold text; an empty string when it holds empty text.
  std::optional<std::string> ReadString(const std::string& name) const;
  // Writes (or replaces) a string value; false when it could not be written.
  bool WriteString(const std::string& name, const std::string& value);
  // The 32-bit number value (REG_DWORD) of that name: nullopt when the key is not open,
  // the value is absent or it holds anything else (text included).
  std::optional<uint32_t> ReadDword(const std::string& name) const;
  // Writes (or replaces, whatever its type) a REG_DWORD value; false when it could not
  // be written.
  bool WriteDword(const std::string& name, uint32_t value);
  // False when the value was absent or could not be deleted.
  bool DeleteValue(const std::string& name);

  struct Handle;  // the platform's open key

 private:
  std::unique_ptr<Handle> handle_;
};

// True when the key exists (whether or not the user may open it).
bool RegistryKeyExists(uint32_t root, const std::string& path);
// Deletes the key with its values. Like the system's own call it refuses a key that
// still has subkeys, and the root itself; false then, or when the key is absent.
bool DeleteRegistryKey(uint32_t root, const std::string& path);

// ---- the registry sandbox of tools (setupc apply) ----
//
// Keeps the registry writes of a setup run by a tool away from the system's registry.
// The Windows build creates a volatile key HKCU\Software\setupc-sandbox-PID-TICK, a
// subkey of it for each predefined root, and sends this program's registry service
// there (the system's own libraries keep the real registry); keys created meanwhile
// are volatile too, so that nothing
// outlives the session even if the tool is killed. The posix build empties its
// in-memory registry. Returns where the writes go (the key's path, or
// "in-memory registry"); empty when the sandbox could not be made (nothing redirected).
std::string BeginRegistrySandbox();
// One value written inside the sandbox, by the root it was written under.
struct SandboxRegistryValue {
  uint32_t root = 0;
  std::string path;  // the key, relative to the root
  std::string name;  // empty: the default value
  std::string data;  // text, or a number value in decimal
};
// Every value inside the sandbox, root by root, keys in the order the system lists them.
std::vector<SandboxRegistryValue> SandboxRegistryValues();
// Restores the roots and deletes the sandbox key (posix: empties the registry).
void EndRegistrySandbox();

}  // namespace setup::platform
